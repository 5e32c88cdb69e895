#pragma once
// The process's open nodes and the current one. Callers serialise device
// work with Ipmi::IpmiDevGuard; the registry's own lock only guards the
// map, never a request.

#include "node/node_context.h"

#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace marlek {

class NodeRegistry {
 public:
  static NodeRegistry& Instance();

  std::shared_ptr<NodeContext> Find(int node) const;
  // Opens the node (taking over the connection kept for it, if there is
  // one) and registers it; throws ostrelInt::CmpiStatus when it cannot.
  void Open(int node);
  // Unregisters the node; false when it was not open. The transport closes
  // when the last user lets go of it.
  bool Remove(int node);

  // The open node, else a connection kept for calls that reach a node
  // without opening it (raw connections, the node-less SEL calls): made on
  // first use and kept until the node is opened and closed or the process
  // ends, so that one command costs one session set-up per BMC.
  std::shared_ptr<NodeContext> FindOrKeep(int node);

  bool MakeCurrent(int node);
  // Forgets the current node if it is this one.
  void ClearCurrent(int node);
  std::shared_ptr<NodeContext> Current() const;

 private:
  mutable std::mutex mutex_;
  void DropKept();

  std::map<int, std::shared_ptr<NodeContext>> open_;
  std::map<int, std::shared_ptr<NodeContext>> kept_;
  bool dropAtExit_ = false;
  int current_ = -1;
};

// A node context with the transport and settings the configuration gives
// node; throws ostrelInt::CmpiStatus saying why when it cannot be opened
// (negative node, malformed configuration, device or session failure).
std::shared_ptr<NodeContext> OpenNodeContext(int node);

}  // namespace marlek
