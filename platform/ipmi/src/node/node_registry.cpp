#include "node/node_registry.h"

#include "api/diagnostics.h"
#include "node/bmc_lock.h"
#include "node/ipmi_config.h"
#include "node/node_transport.h"

#include <Ipmi/CmpiStatus.h>

#include <cstdlib>

#include <unistd.h>

namespace marlek {

NodeRegistry& NodeRegistry::Instance() {
  // Never destroyed: a node still open when the process exits would close
  // its session from the destructor, while libcrypto may already be gone.
  // Such a session ends by the BMC's own timeout instead.
  static NodeRegistry* const registry = new NodeRegistry;
  return *registry;
}

std::shared_ptr<NodeContext> NodeRegistry::Find(int node) const {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = open_.find(node);
  return it == open_.end() ? nullptr : it->second;
}

void NodeRegistry::Open(int node) {
  std::shared_ptr<NodeContext> context;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (open_.count(node))
      return;
    auto kept = kept_.find(node);
    if (kept != kept_.end()) {
      open_.emplace(node, std::move(kept->second));
      kept_.erase(kept);
      return;
    }
  }
  context = OpenNodeContext(node);  // outside the lock: it talks to the BMC
  std::lock_guard<std::mutex> lock(mutex_);
  open_.emplace(node, std::move(context));
}

std::shared_ptr<NodeContext> NodeRegistry::FindOrKeep(int node) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto* map : {&open_, &kept_}) {
      auto it = map->find(node);
      if (it != map->end())
        return it->second;
    }
  }
  std::shared_ptr<NodeContext> context = OpenNodeContext(node);
  std::lock_guard<std::mutex> lock(mutex_);
  kept_[node] = context;
  if (!dropAtExit_) {
    // Registered after the transport's libraries were set up, so it runs
    // before they are torn down: the sessions end with Close Session.
    std::atexit([] { Instance().DropKept(); });
    dropAtExit_ = true;
  }
  return context;
}

void NodeRegistry::DropKept() {
  std::map<int, std::shared_ptr<NodeContext>> closing;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    closing.swap(kept_);
  }
}

bool NodeRegistry::Remove(int node) {
  std::shared_ptr<NodeContext> closing;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = open_.find(node);
    if (it == open_.end())
      return false;
    closing = std::move(it->second);
    open_.erase(it);
  }
  return true;  // closing goes away here, outside the lock
}

bool NodeRegistry::MakeCurrent(int node) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!open_.count(node))
    return false;
  current_ = node;
  return true;
}

void NodeRegistry::ClearCurrent(int node) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (current_ == node)
    current_ = -1;
}

std::shared_ptr<NodeContext> NodeRegistry::Current() const {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = open_.find(current_);
  return it == open_.end() ? nullptr : it->second;
}

namespace {

constexpr std::chrono::seconds kLockWait{30};

bool Exists(const std::string& path) {
  return ::access(path.c_str(), F_OK) == 0;
}

std::shared_ptr<BmcLock> AcquireBmcLock(const NodeConfig& node) {
  const std::string target = node.transport == NodeTransportKind::kLan
                                 ? node.host + ":" + std::to_string(node.port)
                                 : node.DevicePath();
  try {
    return BmcLock::Acquire(target, kLockWait);
  } catch (const ostrelInt::CmpiStatus& e) {
    const std::string text = node.Label() + ": " + e.msg();
    Diagnose(text);  // the caller's own message would only say that the open failed
    throw ostrelInt::CmpiStatus(text);
  }
}

}  // namespace

std::shared_ptr<NodeContext> OpenNodeContext(int node) {
  if (node < 0)
    throw ostrelInt::CmpiStatus("IPMI node " + std::to_string(node) + " does not exist");
  IpmiConfig config;
  try {
    config = LoadConfig();
  } catch (const ConfigError& e) {
    const std::string text = std::string("IPMI configuration: ") + e.what();
    Diagnose(text);  // the user's to fix, and the caller would only say that the open failed
    throw ostrelInt::CmpiStatus(text);
  }
  const NodeConfig nodeConfig = config.Node(node);
  auto context = std::make_shared<NodeContext>();
  context->index = node;
  context->bmcLock = AcquireBmcLock(nodeConfig);
  try {
    context->transport = OpenNodeTransport(nodeConfig);
  } catch (const ostrelInt::CmpiStatus& e) {
    // A device file that does not exist is all the caller's message says.
    if (nodeConfig.transport == NodeTransportKind::kLan || Exists(nodeConfig.DevicePath()))
      Diagnose(e.msg());
    throw;
  }
  context->settings = config.global;
  return context;
}

}  // namespace marlek
