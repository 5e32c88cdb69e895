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
  // Registers an opened node (replacing nothing: the node must not be open).
  void Add(std::shared_ptr<NodeContext> context);
  // Unregisters the node; false when it was not open. The transport closes
  // when the last user lets go of it.
  bool Remove(int node);

  bool MakeCurrent(int node);
  // Forgets the current node if it is this one.
  void ClearCurrent(int node);
  std::shared_ptr<NodeContext> Current() const;

 private:
  mutable std::mutex mutex_;
  std::map<int, std::shared_ptr<NodeContext>> open_;
  int current_ = -1;
};

// A node context with the transport and settings the configuration gives
// node; throws ostrelInt::CmpiStatus saying why when it cannot be opened
// (negative node, malformed configuration, device or session failure).
std::shared_ptr<NodeContext> OpenNodeContext(int node);

}  // namespace marlek
