#pragma once
// The peer tools (ipmitool, FreeIPMI) run against a simulated BMC's node 0
// over RMCP+, and what they print.

#include "support/simulated_bmc.h"

#include <cstdio>
#include <stdexcept>
#include <string>

namespace marlek::testing {

enum class PeerStderr { kDiscard, kKeep };

// Runs a shell command; returns what it printed on standard output (and on
// standard error with PeerStderr::kKeep), and its wait status in *status.
inline std::string RunCommand(const std::string& command, PeerStderr stderrTo = PeerStderr::kKeep,
                              int* status = nullptr) {
  const std::string redirect = stderrTo == PeerStderr::kKeep ? " 2>&1" : " 2>/dev/null";
  FILE* pipe = popen((command + redirect).c_str(), "r");
  if (pipe == nullptr)
    throw std::runtime_error("cannot run: " + command);
  std::string output;
  char buffer[4096];
  std::size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0)
    output.append(buffer, n);
  const int rc = pclose(pipe);
  if (status)
    *status = rc;
  return output;
}

// `ipmitool` with its target options, under a time limit; append the command.
inline std::string IpmitoolCommand(const SimulatedBmc& sim, int timeoutSeconds) {
  return "timeout " + std::to_string(timeoutSeconds) + " ipmitool -I lanplus -C 3 -H 127.0.0.1 -p " +
         std::to_string(sim.Port(0)) + " -U admin -f " + sim.PasswordFile();
}

// A FreeIPMI tool with its target options, under a time limit; append the
// tool's own options.
inline std::string FreeIpmiCommand(const std::string& tool, const SimulatedBmc& sim, int timeoutSeconds) {
  return "timeout " + std::to_string(timeoutSeconds) + " " + tool +
         " -h 127.0.0.1:" + std::to_string(sim.Port(0)) + " -u admin -p '" + sim.Password() +
         "' -l admin --driver-type=LAN_2_0 -W opensesspriv";
}

}  // namespace marlek::testing
