#include "node/bmc_lock.h"

#include "node/checked_file.h"
#include "transport/unique_fd.h"

#include <Ipmi/CmpiStatus.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <thread>

namespace marlek {
namespace {

// The locks this process holds, by lock file; a second node of the same BMC
// shares the first one's (flock would make it wait for itself).
struct HeldLocks {
  std::mutex mutex;
  std::map<std::string, std::weak_ptr<BmcLock>> byFile;
};

HeldLocks& Held() {
  static HeldLocks* const held = new HeldLocks;  // outlives every node
  return *held;
}

std::string FileNameFor(const std::string& target) {
  std::string name;
  for (char c : target)
    name += (std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '-') ? c : '_';
  return name + ".lock";
}

// A directory of ours: created 0700 when missing, used only when it is a
// real directory owned by us that others cannot write.
bool UsableDirectory(const std::string& path) {
  if (::mkdir(path.c_str(), 0700) != 0 && errno != EEXIST)
    return false;
  UniqueFd dir(::open(path.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
  return dir.Valid() && DirectoryProblem(dir.Get()).empty();
}

[[noreturn]] void Fail(const std::string& target, const std::string& file, const std::string& why) {
  throw ostrelInt::CmpiStatus("lock of " + target + " (" + file + "): " + why);
}

int OpenLockFile(const std::string& target, const std::string& file) {
  const int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0600);
  if (fd < 0)
    Fail(target, file, std::strerror(errno));
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) {
    ::close(fd);
    Fail(target, file, "not a regular file of this user");
  }
  return fd;
}

}  // namespace

std::string BmcLock::Directory() {
  std::string dir;
  if (::geteuid() == 0) {
    dir = "/run/marlek-ipmi";
  } else if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime == '/') {
    dir = std::string(runtime) + "/marlek-ipmi";
  }
  return !dir.empty() && UsableDirectory(dir) ? dir : std::string();
}

std::shared_ptr<BmcLock> BmcLock::Acquire(const std::string& target, std::chrono::milliseconds wait) {
  const std::string dir = Directory();
  if (dir.empty())
    return nullptr;
  const std::string file = dir + "/" + FileNameFor(target);
  HeldLocks& held = Held();
  std::lock_guard<std::mutex> guard(held.mutex);
  if (std::shared_ptr<BmcLock> mine = held.byFile[file].lock())
    return mine;
  const int fd = OpenLockFile(target, file);
  const auto deadline = std::chrono::steady_clock::now() + wait;
  while (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if ((errno != EWOULDBLOCK && errno != EINTR) || std::chrono::steady_clock::now() >= deadline) {
      const int error = errno;
      ::close(fd);
      Fail(target, file,
           error == EWOULDBLOCK ? "another process has been using this BMC for " +
                                      std::to_string(wait.count() / 1000) + " s; try again later"
                                : std::string(std::strerror(error)));
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  std::shared_ptr<BmcLock> lock(new BmcLock(file, fd));
  held.byFile[file] = lock;
  return lock;
}

BmcLock::~BmcLock() {
  ::close(fd_);  // releases the flock
  HeldLocks& held = Held();
  std::lock_guard<std::mutex> guard(held.mutex);
  auto it = held.byFile.find(key_);
  if (it != held.byFile.end() && it->second.expired())
    held.byFile.erase(it);
}

}  // namespace marlek
