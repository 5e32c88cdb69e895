#pragma once
// The transport a node's configuration asks for: the Linux IPMI device
// /dev/ipmiN, or an RMCP+ session with a LAN BMC.

#include "node/ipmi_config.h"
#include "transport/message.h"

#include <memory>

namespace marlek {

// Throws ostrelInt::CmpiStatus naming the node and the reason when the
// device cannot be opened or the session cannot be established.
std::shared_ptr<Transport> OpenNodeTransport(const NodeConfig& node);

}  // namespace marlek
