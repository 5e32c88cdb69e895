#pragma once
// Requests to controllers behind the BMC: Send Message (App 34h) with
// request tracking, carrying the IPMB request for the target's channel,
// and the bridged answer the BMC hands back.

#include "transport/lan/ipmi_lan_message.h"
#include "transport/message.h"

#include <cstdint>

namespace marlek {

constexpr std::uint8_t kCmdSendMessage = 0x34;

// Whether a request to target has to be bridged by the BMC.
inline bool NeedsBridging(const Target& target) {
  return !target.IsBmc();
}

// The Send Message request that carries request to request.target, with
// seq as the IPMB request's sequence number and the BMC as requester.
Request WrapInSendMessage(const Request& request, std::uint8_t seq);

// The answer to request in a bridged IPMB response frame; throws
// WireFormatError when the frame answers some other request.
Response UnwrapBridgedResponse(const Request& request, const IpmbResponseFrame& frame);

}  // namespace marlek
