#include "bmc/bmc_commands.h"

#include "wire/payload.h"

#include <algorithm>
#include <stdexcept>

namespace HostCtl {
namespace Bmc {

using marlek::PayloadReader;
using marlek::PayloadWriter;

Bytes GetChannelInfoRequest(std::uint8_t channel) {
  return {static_cast<std::uint8_t>(channel & 0x0f)};
}

ChannelInfo DecodeChannelInfo(const Bytes& data) {
  PayloadReader in(data, "Get Channel Info response");
  ChannelInfo info;
  info.channel = in.U8() & 0x0f;
  info.mediumType = in.U8() & 0x7f;
  info.protocolType = in.U8() & 0x1f;
  return info;
}

Bytes GetChannelAccessRequest(std::uint8_t channel) {
  constexpr std::uint8_t kActiveSettings = 0x80;
  return {static_cast<std::uint8_t>(channel & 0x0f), kActiveSettings};
}

AccessMode DecodeChannelAccessMode(const Bytes& data) {
  PayloadReader in(data, "Get Channel Access response");
  return static_cast<AccessMode>(in.U8() & 0x07);
}

Bytes GetLanConfigRequest(std::uint8_t channel, std::uint8_t parameter, std::uint8_t setSelector) {
  return {static_cast<std::uint8_t>(channel & 0x0f), parameter, setSelector, 0x00};
}

Bytes DecodeLanConfigData(const Bytes& data, std::size_t minimum) {
  PayloadReader in(data, "Get LAN Configuration Parameters response");
  in.Skip(1);  // parameter revision
  Bytes value = in.Rest();
  if (value.size() < minimum)
    throw marlek::TruncatedPayload("LAN configuration parameter has " + std::to_string(value.size()) +
                                   " bytes, needs " + std::to_string(minimum));
  return value;
}

Ipv6Status DecodeIpv6Status(const Bytes& parameter) {
  PayloadReader in(parameter, "IPv6 status parameter");
  Ipv6Status status;
  status.staticAddresses = in.U8();
  status.dynamicAddresses = in.U8();
  return status;
}

Ipv6Address DecodeIpv6Address(const Bytes& parameter) {
  PayloadReader in(parameter, "IPv6 address parameter");
  Ipv6Address address;
  in.Skip(1);  // set selector
  address.enabled = in.U8() & 0x80;
  for (std::uint8_t& byte : address.address)
    byte = in.U8();
  address.prefixLength = in.U8();
  address.status = in.U8();
  return address;
}

Bytes GetSystemInfoRequest(std::uint8_t parameter, std::uint8_t setSelector) {
  return {0x00, parameter, setSelector, 0x00};
}

FirstTextBlock DecodeFirstTextBlock(const Bytes& data) {
  PayloadReader in(data, "Get System Info Parameters response");
  in.Skip(1);  // parameter revision
  in.Skip(1);  // set selector 0
  FirstTextBlock block;
  block.encoding = static_cast<TextEncoding>(in.U8() & 0x0f);
  block.length = in.U8();
  block.text = in.Bytes(std::min({in.Remaining(), block.length, system_info::kFirstBlockText}));
  return block;
}

Bytes DecodeTextBlock(const Bytes& data, std::uint8_t setSelector) {
  PayloadReader in(data, "Get System Info Parameters response");
  in.Skip(1);  // parameter revision
  if (in.U8() != setSelector)
    throw marlek::TruncatedPayload("System info block " + std::to_string(setSelector) +
                                   " answered for another block");
  return in.Bytes(std::min(in.Remaining(), system_info::kBlockText));
}

Bytes SetSystemInfoRequest(std::uint8_t parameter, const Bytes& value) {
  PayloadWriter out;
  out.U8(parameter).Bytes(value);
  return out.Take();
}

std::vector<Bytes> TextBlocks(TextEncoding encoding, const std::string& text) {
  if (text.size() > system_info::kMaxText)
    throw std::length_error("system info text longer than 255 bytes");
  std::vector<Bytes> blocks;
  const Bytes bytes(text.begin(), text.end());
  std::size_t at = std::min(bytes.size(), system_info::kFirstBlockText);
  PayloadWriter first;
  first.U8(0).U8(static_cast<std::uint8_t>(encoding)).U8(static_cast<std::uint8_t>(bytes.size()));
  first.Bytes(Bytes(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(at)));
  Bytes block0 = first.Take();
  block0.resize(2 + 1 + system_info::kFirstBlockText, 0x00);
  blocks.push_back(std::move(block0));
  for (std::uint8_t set = 1; at < bytes.size(); ++set) {
    const std::size_t n = std::min(bytes.size() - at, system_info::kBlockText);
    Bytes block{set};
    block.insert(block.end(), bytes.begin() + static_cast<std::ptrdiff_t>(at),
                 bytes.begin() + static_cast<std::ptrdiff_t>(at + n));
    block.resize(1 + system_info::kBlockText, 0x00);
    blocks.push_back(std::move(block));
    at += n;
  }
  return blocks;
}

}  // namespace Bmc
}  // namespace HostCtl
