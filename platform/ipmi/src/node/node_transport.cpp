#include "node/node_transport.h"

#include "node/node_link.h"

#include "transport/device/device_transport.h"
#include "transport/lan/lanplus_transport.h"
#include "transport/trace.h"

#include <Ipmi/CmpiStatus.h>

#include <chrono>

namespace marlek {
namespace {

// A session opened again after the BMC went silent first asks whether the
// BMC is there at all: often (a burst of losses must not hide it) and for
// no longer than 0.8 s, after which the node counts as gone. A slow
// answer to an earlier attempt still counts.
TransportOptions FirstContactAgain(const TransportOptions& options) {
  constexpr std::chrono::milliseconds kAttempt{50};
  constexpr std::chrono::milliseconds kBudget{800};
  TransportOptions quick = options;
  quick.timeout = kAttempt;
  quick.retries = static_cast<int>(kBudget / kAttempt) - 1;
  return quick;
}

std::shared_ptr<Transport> OpenLan(const NodeConfig& node) {
  LanConfig lan;
  lan.host = node.host;
  lan.port = node.port;
  lan.username = node.username;
  if (!node.passwordFile.empty())
    lan.password = ReadPasswordFile(node.passwordFile);
  lan.cipherSuite = node.cipherSuite;
  lan.cipherSuiteZeroAllowed = node.cipherSuiteGiven;
  lan.privilege = node.privilege;
  lan.options = node.options;
  std::shared_ptr<Transport> first = LanPlusTransport::Open(lan);
  lan.firstContact = FirstContactAgain(lan.options);
  return std::make_shared<NodeLink>(
      std::move(first), [lan] { return std::shared_ptr<Transport>(LanPlusTransport::Open(lan)); });
}

}  // namespace

std::shared_ptr<Transport> OpenNodeTransport(const NodeConfig& config) {
  const std::string which = config.Label() + ": ";
  NodeConfig node = config;
  if (TraceWanted() || node.debug.value_or(false))
    node.options.trace = std::make_shared<Trace>(node.Label());
  try {
    if (node.transport == NodeTransportKind::kLan)
      return OpenLan(node);
    return std::make_shared<NodeLink>(DeviceTransport::Open(node.DevicePath(), node.options), nullptr);
  } catch (const ostrelInt::CmpiStatus& e) {
    throw ostrelInt::CmpiStatus(which + e.msg());
  } catch (const ConfigError& e) {
    throw ostrelInt::CmpiStatus(which + e.what());
  }
}

}  // namespace marlek
