#include "node/node_context.h"

#include "node/node_registry.h"

#include <Ipmi/CmpiStatus.h>

namespace marlek {

NodeContext* FindOpenNode(int node) {
  return NodeRegistry::Instance().Find(node).get();
}

NodeContext& RequireOpenNode(int node) {
  NodeContext* context = FindOpenNode(node);
  if (!context)
    throw ostrelInt::CmpiStatus("IPMI node " + std::to_string(node) + " is not open");
  return *context;
}

NodeContext* CurrentNode() {
  return NodeRegistry::Instance().Current().get();
}

std::shared_ptr<NodeContext> CurrentOrDefaultNode() {
  if (std::shared_ptr<NodeContext> current = NodeRegistry::Instance().Current())
    return current;
  return NodeRegistry::Instance().FindOrKeep(0);
}

}  // namespace marlek
