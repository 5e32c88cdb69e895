#pragma once
// One BMC, one user at a time across processes. A node holds the lock of
// its BMC while it is open: an flock on a file named for the target (the
// device node, or host and port) in $XDG_RUNTIME_DIR/marlek-ipmi, or
// /run/marlek-ipmi for root. Without such a directory there is no lock.
// Within one process, nodes that reach the same BMC share one lock.
//
// Reservations (SDR, SEL) are cancelled by whoever reserves next, so two
// readers of one BMC would keep cancelling each other's; one at a time,
// both finish.

#include <chrono>
#include <memory>
#include <string>

namespace marlek {

class BmcLock {
 public:
  ~BmcLock();
  BmcLock(const BmcLock&) = delete;
  BmcLock& operator=(const BmcLock&) = delete;

  // The lock for target ("/dev/ipmi0", "10.0.0.5:623"), waiting at most
  // `wait` for another process to let go of it; null where locks cannot be
  // kept. Throws ostrelInt::CmpiStatus when the wait runs out or the lock
  // file is not what it should be.
  static std::shared_ptr<BmcLock> Acquire(const std::string& target, std::chrono::milliseconds wait);

  // The directory lock files go to; empty when there is none to use.
  static std::string Directory();

 private:
  BmcLock(std::string key, int fd) : key_(std::move(key)), fd_(fd) {}
  std::string key_;
  int fd_;
};

}  // namespace marlek
