#pragma once
// The library's open nodes. A node is open between IpmiIfcOpenIpmiOpen and
// IpmiIfcOpenIpmiClose; IpmiIfcInitForCLI makes it the current node for the
// calls that name none.

#include "node/ipmi_config.h"
#include "transport/message.h"

#include <map>
#include <memory>
#include <string>
#include <typeindex>

namespace marlek {

class BmcLock;

struct NodeContext {
  int index = -1;
  // Held while the node is open; declared first so that the session closes
  // before the lock is let go.
  std::shared_ptr<BmcLock> bmcLock;
  std::shared_ptr<Transport> transport;
  GlobalSettings settings;  // the configuration's global keys when the node was opened

  // Per-area state that lives as long as the node is open (the SDR records,
  // the FRU devices, ...), keyed by type so each area keeps its own.
  template <typename T>
  T& State() {
    auto it = state_.find(std::type_index(typeid(T)));
    if (it == state_.end())
      it = state_.emplace(std::type_index(typeid(T)), std::make_shared<T>()).first;
    return *std::static_pointer_cast<T>(it->second);
  }

 private:
  std::map<std::type_index, std::shared_ptr<void>> state_;
};

// The open node with this index, or null.
NodeContext* FindOpenNode(int node);
// The open node with this index; throws ostrelInt::CmpiStatus naming the node
// when it is not open.
NodeContext& RequireOpenNode(int node);
// The current node (IpmiIfcInitForCLI), or null.
NodeContext* CurrentNode();

// For the node-less calls: the current node when one is open, else the
// connection kept for node 0 (NodeRegistry::FindOrKeep).
std::shared_ptr<NodeContext> CurrentOrDefaultNode();

}  // namespace marlek
