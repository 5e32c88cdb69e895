#include "transport/lan/session_commands.h"

#include "wire/payload.h"

namespace marlek {
namespace {

constexpr std::uint8_t kCurrentChannel = 0x0e;
constexpr std::uint8_t kAskForIpmi20Data = 0x80;

Request AppRequest(std::uint8_t command, std::vector<std::uint8_t> data) {
  Request r;
  r.netFn = netfn::kApp;
  r.command = command;
  r.data = std::move(data);
  return r;
}

}  // namespace

Request GetChannelAuthCapabilitiesRequest(Privilege privilege) {
  return AppRequest(cmd::kGetChannelAuthCapabilities,
                    {kAskForIpmi20Data | kCurrentChannel, static_cast<std::uint8_t>(privilege)});
}

ChannelAuthCapabilities DecodeChannelAuthCapabilities(const Response& response) {
  PayloadReader in(response.data, "Get Channel Authentication Capabilities response");
  ChannelAuthCapabilities caps;
  caps.channel = in.U8();
  const std::uint8_t authTypes = in.U8();
  const std::uint8_t status = in.U8();
  const std::uint8_t extended = in.U8();
  in.Skip(4);  // OEM ID and auxiliary data
  caps.extendedCapabilities = (authTypes & 0x80) != 0;
  caps.supportsIpmi20 = caps.extendedCapabilities && (extended & 0x02) != 0;
  caps.anonymousLogin = (status & 0x01) != 0;
  return caps;
}

Request SetSessionPrivilegeLevelRequest(Privilege privilege) {
  return AppRequest(cmd::kSetSessionPrivilegeLevel, {static_cast<std::uint8_t>(privilege)});
}

Request CloseSessionRequest(std::uint32_t managedSessionId) {
  return AppRequest(cmd::kCloseSession, PayloadWriter().U32le(managedSessionId).Take());
}

}  // namespace marlek
