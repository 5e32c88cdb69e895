#include "node/node_transport.h"

#include "transport/device_transport.h"
#include "transport/lanplus_transport.h"

#include <Ipmi/CmpiStatus.h>

namespace marlek {
namespace {

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
  return LanPlusTransport::Open(lan);
}

}  // namespace

std::shared_ptr<Transport> OpenNodeTransport(const NodeConfig& node) {
  const std::string which = "IPMI node " + std::to_string(node.index) + ": ";
  try {
    if (node.transport == NodeTransportKind::kLan)
      return OpenLan(node);
    return DeviceTransport::Open(node.DevicePath(), node.options);
  } catch (const ostrelInt::CmpiStatus& e) {
    throw ostrelInt::CmpiStatus(which + e.msg());
  } catch (const ConfigError& e) {
    throw ostrelInt::CmpiStatus(which + e.what());
  }
}

}  // namespace marlek
