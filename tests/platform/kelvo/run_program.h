#pragma once
// Running a program as a user would and collecting what it printed.

#include <string>
#include <utility>
#include <vector>

namespace kelvo_test {

struct RunResult {
  int exitStatus = -1;  // -1 when ended by a signal
  int signal = 0;
  std::string out;
  std::string err;
};

// Runs program with args, stdin from /dev/null, the environment extended
// by env ("NAME=value"), and kills it after timeoutSeconds.
RunResult Run(const std::string& program, const std::vector<std::string>& args,
              const std::vector<std::string>& env = {}, int timeoutSeconds = 30);

// Feeds text to "python3 -c script" on stdin; returns its exit status and
// its standard error.
std::pair<int, std::string> CheckWithPython(const std::string& script, const std::string& text);
// Feeds text to "python3 -m json.tool"; returns its exit status and its
// standard error.
std::pair<int, std::string> CheckWithJsonTool(const std::string& text);

// A directory removed with its content when the object goes.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& Path() const { return path_; }
  // Writes a file and returns its path.
  std::string Write(const std::string& name, const std::string& content) const;

 private:
  std::string path_;
};

}  // namespace kelvo_test
