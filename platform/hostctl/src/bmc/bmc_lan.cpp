#include "bmc/bmc_lan.h"

#include "bmc/bmc_commands.h"
#include "wire/hex_text.h"
#include "wire/payload.h"

#include <arpa/inet.h>

namespace HostCtl {
namespace Bmc {
namespace {

constexpr std::uint8_t kFirstChannel = 1;
constexpr std::uint8_t kLastChannel = 11;
constexpr std::uint8_t kIpv6Active = 0x00;
constexpr std::size_t kMacLength = 6;
constexpr std::size_t kIpv4Length = 4;

std::optional<Bytes> LanParameter(Requester& bmc, std::uint8_t channel, std::uint8_t parameter,
                                  std::size_t minimum, std::uint8_t setSelector = 0) {
  const Reply reply = bmc.Send(netfn::kTransport, cmd::kGetLanConfigParameters,
                               GetLanConfigRequest(channel, parameter, setSelector));
  if (!reply.Ok())
    return std::nullopt;
  try {
    return DecodeLanConfigData(reply.data, minimum);
  } catch (const marlek::TruncatedPayload&) {
    return std::nullopt;
  }
}

std::string MacText(const Bytes& mac) {
  std::string text;
  for (std::size_t i = 0; i < kMacLength; ++i)
    text += (i ? ":" : "") + marlek::HexDigits(mac[i], 2);
  return text;
}

std::string Ipv4Text(const Bytes& address) {
  std::string text;
  for (std::size_t i = 0; i < kIpv4Length; ++i)
    text += (i ? "." : "") + std::to_string(address[i]);
  return text;
}

std::string Ipv6Text(const std::array<std::uint8_t, 16>& address) {
  char text[INET6_ADDRSTRLEN];
  return inet_ntop(AF_INET6, address.data(), text, sizeof text) ? text : "";
}

bool IsUnspecified(const std::array<std::uint8_t, 16>& address) {
  for (std::uint8_t b : address)
    if (b != 0)
      return false;
  return true;
}

void AddIpv6(Requester& bmc, std::uint8_t channel, std::uint8_t parameter, std::uint8_t count,
             bool needsEnable, std::vector<std::string>& out) {
  for (std::uint8_t set = 0; set < count; ++set) {
    const std::optional<Bytes> value = LanParameter(bmc, channel, parameter, 0, set);
    if (!value)
      continue;
    try {
      const Ipv6Address address = DecodeIpv6Address(*value);
      if ((address.enabled || !needsEnable) && address.status == kIpv6Active &&
          !IsUnspecified(address.address))
        out.push_back(Ipv6Text(address.address) + "/" + std::to_string(address.prefixLength));
    } catch (const marlek::TruncatedPayload&) {
      // a malformed entry is left out
    }
  }
}

std::vector<std::string> Ipv6Addresses(Requester& bmc, std::uint8_t channel) {
  std::vector<std::string> addresses;
  const std::optional<Bytes> status = LanParameter(bmc, channel, lan_param::kIpv6Status, 2);
  if (!status)
    return addresses;  // no IPv6 support
  const Ipv6Status counts = DecodeIpv6Status(*status);
  AddIpv6(bmc, channel, lan_param::kIpv6StaticAddress, counts.staticAddresses, true, addresses);
  AddIpv6(bmc, channel, lan_param::kIpv6DynamicAddress, counts.dynamicAddresses, false, addresses);
  return addresses;
}

}  // namespace

std::optional<std::uint8_t> FindLanChannel(Requester& bmc) {
  for (std::uint8_t channel = kFirstChannel; channel <= kLastChannel; ++channel) {
    const Reply reply = bmc.Send(netfn::kApp, cmd::kGetChannelInfo, GetChannelInfoRequest(channel));
    if (!reply.Ok())
      continue;
    try {
      if (DecodeChannelInfo(reply.data).mediumType == medium::kLan8023)
        return channel;
    } catch (const marlek::TruncatedPayload&) {
      // not a channel we can use
    }
  }
  return std::nullopt;
}

LanSettings ReadLanSettings(Requester& bmc, std::uint8_t channel) {
  LanSettings lan;
  lan.channel = channel;
  if (auto mac = LanParameter(bmc, channel, lan_param::kMacAddress, kMacLength))
    lan.macAddress = MacText(*mac);
  if (auto ip = LanParameter(bmc, channel, lan_param::kIpAddress, kIpv4Length))
    lan.ipv4Address = Ipv4Text(*ip);
  if (auto mask = LanParameter(bmc, channel, lan_param::kSubnetMask, kIpv4Length))
    lan.ipv4Subnet = Ipv4Text(*mask);
  if (auto gateway = LanParameter(bmc, channel, lan_param::kDefaultGateway, kIpv4Length))
    lan.ipv4Gateway = Ipv4Text(*gateway);
  lan.ipv6Addresses = Ipv6Addresses(bmc, channel);
  const Reply access = bmc.Send(netfn::kApp, cmd::kGetChannelAccess, GetChannelAccessRequest(channel));
  if (access.Ok()) {
    try {
      lan.adminStatus = DecodeChannelAccessMode(access.data) != AccessMode::kDisabled;
    } catch (const marlek::TruncatedPayload&) {
      lan.adminStatus = false;
    }
  }
  return lan;
}

}  // namespace Bmc
}  // namespace HostCtl
