#pragma once
// The App commands that open, shape and end a LAN session around the RAKP
// exchange: Get Channel Authentication Capabilities, Set Session Privilege
// Level and Close Session.

#include "transport/message.h"

#include <cstdint>

namespace marlek {

namespace cmd {
constexpr std::uint8_t kGetChannelAuthCapabilities = 0x38;
constexpr std::uint8_t kSetSessionPrivilegeLevel = 0x3b;
constexpr std::uint8_t kCloseSession = 0x3c;
}  // namespace cmd

// IPMI privilege levels.
enum class Privilege : std::uint8_t { kCallback = 1, kUser = 2, kOperator = 3, kAdministrator = 4, kOem = 5 };

struct ChannelAuthCapabilities {
  std::uint8_t channel = 0;
  bool extendedCapabilities = false;  // the response carries IPMI v2.0 data
  bool supportsIpmi20 = false;
  bool anonymousLogin = false;  // null user name and password enabled
};

// For the channel the request arrives on, asking for IPMI v2.0 data.
Request GetChannelAuthCapabilitiesRequest(Privilege privilege);
ChannelAuthCapabilities DecodeChannelAuthCapabilities(const Response& response);

Request SetSessionPrivilegeLevelRequest(Privilege privilege);
Request CloseSessionRequest(std::uint32_t managedSessionId);

}  // namespace marlek
