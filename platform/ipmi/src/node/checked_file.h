#pragma once
// Files that another user could have put in our way: the configuration,
// password files. Each is opened without blocking on a FIFO (and, where
// asked, without following a symbolic link), judged on the open
// descriptor rather than by its name, and read up to a size cap.

#include <cstddef>
#include <optional>
#include <stdexcept>
#include <string>

namespace marlek {

// Why a file was not read; the text names the file.
class UnusableFile : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct FileRules {
  const char* what = "file";  // "configuration file", "password file"
  bool followLink = true;
  // Group and others may not have these permission bits (e.g. 022: write).
  unsigned forbiddenMode = 022;
  std::size_t maxSize = 64 * 1024;
};

// The whole file. Throws UnusableFile unless it is a regular file of the
// effective user or root, without the forbidden permission bits and within
// the size cap. errnoOut (when given) keeps the open's error, so that a
// caller can treat a missing file on its own.
std::string ReadCheckedFile(const std::string& path, const FileRules& rules, int* errnoOut = nullptr);

// Why an open directory is not ours alone (another owner, writable by group
// or others); empty when it is.
std::string DirectoryProblem(int fd);

// Everything an open file holds, when that is at most maxSize bytes.
std::optional<std::string> ReadAllBounded(int fd, std::size_t maxSize);

}  // namespace marlek
