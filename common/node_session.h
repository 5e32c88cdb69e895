#pragma once
// Scoped access to the IPMI devices: the process-wide device lock, and one
// open node.

namespace OstrelCli {
namespace Hardware {

// Holds Ipmi::IpmiDevGuard from construction until Unlock() or destruction,
// whichever comes first.
class DevGuardLock {
 public:
  DevGuardLock();
  ~DevGuardLock();
  DevGuardLock(const DevGuardLock&) = delete;
  DevGuardLock& operator=(const DevGuardLock&) = delete;

  void Unlock();

 private:
  bool locked_;
};

// Opens a node for the lifetime of the object. The constructor throws
// IpmiException when the device cannot be opened. When the library cannot be
// initialised for the node, the device is closed again at once and the
// object goes on without an open node: the caller's first query then decides.
// The destructor closes a node that was fully opened.
class NodeSession {
 public:
  explicit NodeSession(int node);
  ~NodeSession();
  NodeSession(const NodeSession&) = delete;
  NodeSession& operator=(const NodeSession&) = delete;

 private:
  int node_;
  bool open_;
};

}  // namespace Hardware
}  // namespace OstrelCli
