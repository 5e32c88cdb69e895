#include "node/checked_file.h"

#include "transport/unique_fd.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace marlek {
namespace {

std::string Octal(unsigned mode) {
  char text[8];
  std::snprintf(text, sizeof text, "%04o", mode & 07777);
  return text;
}

}  // namespace

std::string DirectoryProblem(int fd) {
  struct stat st {};
  if (::fstat(fd, &st) != 0)
    return std::strerror(errno);
  if (!S_ISDIR(st.st_mode))
    return "it is not a directory";
  if (st.st_uid != ::geteuid())
    return "it belongs to uid " + std::to_string(st.st_uid);
  if ((st.st_mode & 022) != 0)
    return "group or others can write to it";
  return "";
}

std::optional<std::string> ReadAllBounded(int fd, std::size_t maxSize) {
  std::string bytes;
  char buffer[8192];
  for (;;) {
    const ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR)
      continue;
    if (n < 0)
      return std::nullopt;
    if (n == 0)
      return bytes;
    if (bytes.size() + static_cast<std::size_t>(n) > maxSize)
      return std::nullopt;
    bytes.append(buffer, static_cast<std::size_t>(n));
  }
}

std::string ReadCheckedFile(const std::string& path, const FileRules& rules, int* errnoOut) {
  const std::string name = std::string(rules.what) + " " + path;
  const int flags = O_RDONLY | O_CLOEXEC | O_NONBLOCK | (rules.followLink ? 0 : O_NOFOLLOW);
  UniqueFd fd(::open(path.c_str(), flags));
  if (!fd.Valid()) {
    if (errnoOut)
      *errnoOut = errno;
    if (errno == ELOOP && !rules.followLink)
      throw UnusableFile(name + " is a symbolic link; name the file itself");
    throw UnusableFile("cannot read " + name + ": " + std::strerror(errno));
  }
  struct stat st {};
  if (::fstat(fd.Get(), &st) != 0)
    throw UnusableFile("cannot read " + name + ": " + std::strerror(errno));
  if (!S_ISREG(st.st_mode))
    throw UnusableFile(name + " is not a regular file");
  if (st.st_uid != ::geteuid() && st.st_uid != 0)
    throw UnusableFile(name + " belongs to another user (uid " + std::to_string(st.st_uid) +
                       "); it must be yours or root's");
  if ((st.st_mode & rules.forbiddenMode) != 0)
    throw UnusableFile(name + ": " + ((st.st_mode & rules.forbiddenMode & 044) ? "readable" : "writable") +
                       " by group or others (mode " + Octal(st.st_mode) + "); make it " +
                       Octal(st.st_mode & ~rules.forbiddenMode & 0777));
  if (static_cast<std::size_t>(st.st_size) > rules.maxSize)
    throw UnusableFile(name + " is larger than " + std::to_string(rules.maxSize) + " bytes");
  // Blocking reads from here: a regular file never waits.
  ::fcntl(fd.Get(), F_SETFL, ::fcntl(fd.Get(), F_GETFL) & ~O_NONBLOCK);
  std::optional<std::string> text = ReadAllBounded(fd.Get(), rules.maxSize);
  if (!text)
    throw UnusableFile("cannot read " + name + ": it is unreadable or larger than " +
                       std::to_string(rules.maxSize) + " bytes");
  return *text;
}

}  // namespace marlek
