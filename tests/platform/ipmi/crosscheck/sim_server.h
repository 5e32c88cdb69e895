#pragma once
// A simulated BMC for one test: started with simctl on a free loopback
// port, stopped when the object goes away (also when the test fails).

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>

#include <unistd.h>

namespace marlek::crosscheck {

// Runs a shell command, returning what it printed (stdout and stderr).
inline std::string RunCommand(const std::string& command, int* status = nullptr) {
  std::string out;
  FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
  if (!pipe)
    throw std::runtime_error("cannot run: " + command);
  char buffer[4096];
  std::size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
    out.append(buffer, n);
  const int rc = ::pclose(pipe);
  if (status)
    *status = rc;
  return out;
}

inline bool HaveCommand(const std::string& name) {
  return RunCommand("command -v " + name + " >/dev/null && echo yes") == "yes\n";
}

class SimServer {
 public:
  // emu empty: the project's own simulated server.
  SimServer(const std::string& simctl, const std::string& emu) : simctl_(simctl) {
    char pattern[] = "/tmp/marlek-crosscheck-XXXXXX";
    if (!::mkdtemp(pattern))
      throw std::runtime_error("mkdtemp failed");
    dir_ = pattern;
    int status = 0;
    const std::string out = RunCommand(
        "timeout 120 " + simctl_ + " start --dir " + dir_ + (emu.empty() ? "" : " --emu " + emu), &status);
    if (status != 0) {
      Stop();
      throw std::runtime_error("simctl start failed: " + out);
    }
    std::ifstream ports(dir_ + "/ports");
    int node = 0;
    ports >> node >> port_;
    std::ifstream pw(dir_ + "/password");
    std::getline(pw, password_);
    if (port_ == 0) {
      Stop();
      throw std::runtime_error("simctl wrote no port");
    }
  }
  ~SimServer() {
    Stop();
    RunCommand("rm -rf '" + dir_ + "'");
  }
  SimServer(const SimServer&) = delete;
  SimServer& operator=(const SimServer&) = delete;

  int port() const { return port_; }
  const std::string& password() const { return password_; }
  const std::string& dir() const { return dir_; }
  std::string passwordFile() const { return dir_ + "/password"; }

 private:
  void Stop() { RunCommand("timeout 60 " + simctl_ + " stop --dir " + dir_); }

  std::string simctl_;
  std::string dir_;
  int port_ = 0;
  std::string password_;
};

}  // namespace marlek::crosscheck
