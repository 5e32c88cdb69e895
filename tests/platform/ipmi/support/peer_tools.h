#pragma once
// The cross-checks' harness: a simulated BMC (ipmi_sim, started by
// tests/sim/simctl) as node 0, the peer tools run against it, and the two
// shapes of what they print: tables of cells and "label : value" lines.

#include <Ipmi/Ipmi.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <initializer_list>
#include <sstream>
#include <utility>

namespace marlek::testing {

inline std::string Trim(const std::string& text) {
  const auto begin = text.find_first_not_of(" \t\r");
  return begin == std::string::npos ? "" : text.substr(begin, text.find_last_not_of(" \t\r") - begin + 1);
}

// Lower-case letters and digits only: "Drive Slot / Bay" -> "driveslotbay".
inline std::string Normalize(const std::string& text) {
  std::string out;
  for (unsigned char c : text)
    if (std::isalnum(c))
      out += static_cast<char>(std::tolower(c));
  return out;
}

// Every line holding the separator, cut into trimmed cells.
inline std::vector<std::vector<std::string>> Table(const std::string& text, char separator) {
  std::vector<std::vector<std::string>> rows;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    std::vector<std::string> cells;
    std::size_t start = 0;
    for (std::size_t at; (at = line.find(separator, start)) != std::string::npos; start = at + 1)
      cells.push_back(Trim(line.substr(start, at - start)));
    cells.push_back(Trim(line.substr(start)));
    if (cells.size() > 1)
      rows.push_back(cells);
  }
  return rows;
}

// "label : value" lines in order: the label trimmed, the value as printed
// after the blanks that follow the colon.
using Labelled = std::vector<std::pair<std::string, std::string>>;
inline Labelled LabelValues(const std::string& text) {
  Labelled lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    if (const auto colon = line.find(':'); colon != std::string::npos)
      lines.emplace_back(Trim(line.substr(0, colon)),
                         line.substr(std::min(line.size(), line.find_first_not_of(' ', colon + 1))));
  return lines;
}

inline std::string Value(const Labelled& lines, const std::string& label) {
  for (const auto& [name, value] : lines)
    if (name == label)
      return value;
  return "(no " + label + ")";
}

// The project's own server (no capture) and the three real servers'
// captures, with their names for parameterised tests.
inline const char* const kServers[] = {"", "quanta_d51.emu", "s2600wtt.emu", "dell_r730xd.emu"};
inline std::string ServerName(const ::testing::TestParamInfo<const char*>& info) {
  const std::string capture = info.param;
  return capture.empty() ? "project_server" : capture.substr(0, capture.find('.'));
}

class SimulatedServerTest : public ::testing::Test {
 protected:
  // Starts the simulator of a capture in tests/sim/captures (none: the
  // project's own server) and opens node 0 as the plug-in does. Call
  // through ASSERT_NO_FATAL_FAILURE; returns early after a skip.
  void Start(const std::string& capture, std::initializer_list<const char*> tools, bool open = true) {
    for (const char* tool : tools)
      if (std::system((std::string("command -v ") + tool + " >/dev/null").c_str()) != 0)
        GTEST_SKIP() << tool << " is not installed";
    char pattern[] = "/tmp/marlek-sim-XXXXXX";
    ASSERT_NE(mkdtemp(pattern), nullptr);
    dir_ = pattern;
    const std::string emu = capture.empty() ? "" : " --emu " + Source() + "/tests/sim/captures/" + capture;
    ASSERT_EQ(std::system((Simctl("start") + emu + " >" + dir_ + "/start.log 2>&1").c_str()), 0)
        << Read("start.log");
    std::istringstream(Read("ports")) >> port_ >> port_;  // "0 <port>": node 0's
    setenv("MARLEK_IPMI_CONF", (dir_ + "/marlek-ipmi.conf").c_str(), 1);
    ASSERT_TRUE(!open || Ipmi::IpmiIfcOpenIpmiOpen(0) == 0);
    opened_ = open;
    ASSERT_TRUE(!open || Ipmi::IpmiIfcInitForCLI(0) == 0);
  }
  void TearDown() override {
    if (opened_)
      Ipmi::IpmiIfcOpenIpmiClose(0), Ipmi::IpmiIfcCloseForCLI(0);
    unsetenv("MARLEK_IPMI_CONF");
    if (!dir_.empty() && std::system((Simctl("stop") + " >/dev/null 2>&1 && rm -rf " + dir_).c_str()) != 0)
      ADD_FAILURE() << "could not stop the simulator in " << dir_;
  }

  static std::string Source() { return OSTREL_SOURCE_DIR; }
  std::string Simctl(const char* verb) const {
    return "python3 " + Source() + "/tests/sim/simctl " + verb + " --dir " + dir_;
  }
  std::string Read(const std::string& file) const {
    std::stringstream text;
    text << std::ifstream(dir_ + "/" + file).rdbuf();
    return text.str();
  }

  // What the peers print, run against node 0 over RMCP+.
  std::string Ipmitool(const std::string& args) const {
    return Run("ipmitool -I lanplus -C 3 -H 127.0.0.1 -p " + std::to_string(port_) + " -U admin -f " + dir_ +
               "/password " + args);
  }
  // With its SDR cache beside the simulator.
  std::string FreeIpmi(const std::string& tool, const std::string& args) const {
    return Run(
        tool + " -h 127.0.0.1:" + std::to_string(port_) + " -u admin -p \"$(cat " + dir_ +
        "/password)\" -l admin --driver-type=LAN_2_0 -W opensesspriv --quiet-cache --sdr-cache-directory=" +
        dir_ + " " + args);
  }
  static std::string Run(const std::string& command) {
    std::string output;
    FILE* pipe = popen(("timeout 180 " + command + " 2>/dev/null").c_str(), "r");
    char buffer[4096];
    for (std::size_t n; pipe && (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
      output.append(buffer, n);
    if (pipe)
      pclose(pipe);
    return output;
  }

  std::string dir_;
  std::uint16_t port_ = 0;
  bool opened_ = false;
};

}  // namespace marlek::testing
