#pragma once
// A private temporary directory, removed with everything in it.

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

#include <sys/stat.h>

namespace marlek::testing {

class TempDir {
 public:
  TempDir() {
    char pattern[] = "/tmp/marlek-test-XXXXXX";
    if (mkdtemp(pattern))
      path_ = pattern;
  }
  ~TempDir() {
    if (!path_.empty() && std::system(("rm -rf '" + path_ + "'").c_str()) != 0)
      ADD_FAILURE() << "could not remove " << path_;
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& Path() const { return path_; }

  // Writes a file with the given mode; returns its path.
  std::string Write(const std::string& name, const std::string& text, mode_t mode = 0644) const {
    const std::string file = path_ + "/" + name;
    std::ofstream(file) << text;
    chmod(file.c_str(), mode);
    return file;
  }

 private:
  std::string path_;
};

}  // namespace marlek::testing
