#pragma once
// Simulated BMCs (ipmi_sim on loopback ports) for integration tests, started
// with tests/sim/simctl and stopped when the object goes away.

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace marlek::testing {

inline std::string SourceDir() {
  return OSTREL_SOURCE_DIR;
}

inline std::string ServerCapture(const std::string& name) {
  return SourceDir() + "/tests/sim/captures/" + name;
}

inline bool HaveProgram(const char* name) {
  return std::system((std::string("command -v ") + name + " >/dev/null 2>&1").c_str()) == 0;
}

class SimulatedBmc {
 public:
  // Starts one simulator per emulation file; check Started() (and skip or
  // fail the test) before using it.
  explicit SimulatedBmc(const std::vector<std::string>& emuFiles) {
    char pattern[] = "/tmp/marlek-sim-XXXXXX";
    if (!mkdtemp(pattern))
      return;
    dir_ = pattern;
    std::string command = "python3 " + SourceDir() + "/tests/sim/simctl start --dir " + dir_;
    for (const std::string& emu : emuFiles)
      command += " --emu " + emu;
    command += " >" + dir_ + "/start.log 2>&1";
    started_ = std::system(command.c_str()) == 0;
    if (started_)
      ReadPorts();
  }
  ~SimulatedBmc() {
    if (dir_.empty())
      return;
    const std::string stop = "python3 " + SourceDir() + "/tests/sim/simctl stop --dir " + dir_;
    if (std::system((stop + " >/dev/null 2>&1; rm -rf " + dir_).c_str()) != 0)
      ADD_FAILURE() << "could not stop the simulators in " << dir_;
  }
  SimulatedBmc(const SimulatedBmc&) = delete;
  SimulatedBmc& operator=(const SimulatedBmc&) = delete;

  bool Started() const { return started_ && !ports_.empty(); }
  std::string StartLog() const { return ReadFile(dir_ + "/start.log"); }
  const std::string& Dir() const { return dir_; }
  std::string ConfPath() const { return dir_ + "/marlek-ipmi.conf"; }
  std::string PasswordFile() const { return dir_ + "/password"; }
  std::string Password() const { return ReadFile(PasswordFile()); }
  std::uint16_t Port(int node) const { return ports_.at(node); }

 private:
  static std::string ReadFile(const std::string& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
  }
  void ReadPorts() {
    std::istringstream in(ReadFile(dir_ + "/ports"));
    int node = 0;
    int port = 0;
    while (in >> node >> port)
      ports_[node] = static_cast<std::uint16_t>(port);
  }

  std::string dir_;
  bool started_ = false;
  std::map<int, std::uint16_t> ports_;
};

// A fixture whose suite shares one simulator of a server capture, started
// before its first test and stopped after its last; its tests skip when
// ipmi_sim is not installed.
class SuiteSimulatorTest : public ::testing::Test {
 protected:
  static void StartSuiteSimulator(const std::string& capture) {
    if (HaveProgram("ipmi_sim"))
      sim_ = new SimulatedBmc({ServerCapture(capture)});
  }
  static void TearDownTestSuite() {
    delete sim_;
    sim_ = nullptr;
  }
  void SetUp() override {
    if (!sim_)
      GTEST_SKIP() << "ipmi_sim is not installed";
    ASSERT_TRUE(sim_->Started()) << sim_->StartLog();
  }

  static inline SimulatedBmc* sim_ = nullptr;
};

}  // namespace marlek::testing
