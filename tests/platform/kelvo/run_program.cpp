// Child processes for tests, with a deadline.

#include "run_program.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace kelvo_test {

namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Waits for the child, killing it when the deadline passes.
int WaitWithDeadline(pid_t child, int timeoutSeconds) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
  int status = 0;
  while (waitpid(child, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > deadline) {
      kill(child, SIGKILL);
      waitpid(child, &status, 0);
      throw std::runtime_error("child process did not finish in time");
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return status;
}

RunResult RunWithInput(const std::string& program, const std::vector<std::string>& args,
                       const std::vector<std::string>& env, const std::string& inputPath,
                       int timeoutSeconds) {
  TempDir scratch;
  std::string outPath = scratch.Path() + "/out";
  std::string errPath = scratch.Path() + "/err";
  std::vector<std::string> environment;
  for (char** entry = environ; *entry; ++entry) {
    environment.emplace_back(*entry);
  }
  environment.insert(environment.end(), env.begin(), env.end());
  std::vector<char*> argv{const_cast<char*>(program.c_str())};
  for (const auto& arg : args) {
    argv.push_back(const_cast<char*>(arg.c_str()));
  }
  argv.push_back(nullptr);
  std::vector<char*> envp;
  for (auto& entry : environment) {
    envp.push_back(const_cast<char*>(entry.c_str()));
  }
  envp.push_back(nullptr);

  pid_t child = fork();
  if (child < 0) {
    throw std::runtime_error("fork failed");
  }
  if (child == 0) {
    // A child that aborts on purpose leaves no core file behind.
    struct rlimit noCore {};
    setrlimit(RLIMIT_CORE, &noCore);
    int in = open(inputPath.c_str(), O_RDONLY);
    int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (in < 0 || out < 0 || err < 0 || dup2(in, 0) < 0 || dup2(out, 1) < 0 || dup2(err, 2) < 0) {
      _exit(127);
    }
    execve(program.c_str(), argv.data(), envp.data());
    _exit(127);
  }
  int status = WaitWithDeadline(child, timeoutSeconds);
  RunResult result;
  if (WIFEXITED(status)) {
    result.exitStatus = WEXITSTATUS(status);
  } else if (WIFSIGNALED(status)) {
    result.signal = WTERMSIG(status);
  }
  result.out = ReadFile(outPath);
  result.err = ReadFile(errPath);
  return result;
}

}  // namespace

RunResult Run(const std::string& program, const std::vector<std::string>& args,
              const std::vector<std::string>& env, int timeoutSeconds) {
  return RunWithInput(program, args, env, "/dev/null", timeoutSeconds);
}

namespace {

std::pair<int, std::string> RunPython(const std::vector<std::string>& args, const std::string& text) {
  TempDir scratch;
  std::string input = scratch.Write("input", text);
  RunResult result = RunWithInput("/usr/bin/python3", args, {}, input, 60);
  return {result.exitStatus, result.err};
}

}  // namespace

std::pair<int, std::string> CheckWithPython(const std::string& script, const std::string& text) {
  return RunPython({"-c", script}, text);
}

std::pair<int, std::string> CheckWithJsonTool(const std::string& text) {
  return RunPython({"-m", "json.tool"}, text);
}

TempDir::TempDir() {
  std::string pattern = "/tmp/kelvo-test-XXXXXX";
  if (!mkdtemp(pattern.data())) {
    throw std::runtime_error("mkdtemp failed");
  }
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

std::string TempDir::Write(const std::string& name, const std::string& content) const {
  std::string path = path_ + "/" + name;
  std::ofstream(path, std::ios::binary) << content;
  return path;
}

}  // namespace kelvo_test
