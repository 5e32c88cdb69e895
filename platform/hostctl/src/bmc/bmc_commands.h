#pragma once
// Byte layouts of the BMC commands the host-control library uses: Get Device
// ID, Get Channel Info, Get Channel Access, Get LAN Configuration Parameters
// and Get/Set System Info Parameters (IPMI v2.0 sections 20, 22, 23).

#include "wire/commands.h"
#include "wire/device_id.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace HostCtl {
namespace Bmc {

using Bytes = std::vector<std::uint8_t>;

namespace netfn = marlek::netfn;
namespace cmd = marlek::app_cmd;
using marlek::DecodeDeviceId;
using marlek::DeviceId;

namespace medium {
constexpr std::uint8_t kLan8023 = 0x04;
}  // namespace medium

struct ChannelInfo {
  std::uint8_t channel = 0;
  std::uint8_t mediumType = 0;
  std::uint8_t protocolType = 0;
};
Bytes GetChannelInfoRequest(std::uint8_t channel);
ChannelInfo DecodeChannelInfo(const Bytes& data);

enum class AccessMode : std::uint8_t { kDisabled = 0, kPreBootOnly = 1, kAlwaysAvailable = 2, kShared = 3 };
// The active (volatile) settings of the channel.
Bytes GetChannelAccessRequest(std::uint8_t channel);
AccessMode DecodeChannelAccessMode(const Bytes& data);

namespace lan_param {
constexpr std::uint8_t kIpAddress = 3;
constexpr std::uint8_t kMacAddress = 5;
constexpr std::uint8_t kSubnetMask = 6;
constexpr std::uint8_t kDefaultGateway = 12;
constexpr std::uint8_t kIpv6Status = 55;
constexpr std::uint8_t kIpv6StaticAddress = 56;
constexpr std::uint8_t kIpv6DynamicAddress = 59;
}  // namespace lan_param

Bytes GetLanConfigRequest(std::uint8_t channel, std::uint8_t parameter, std::uint8_t setSelector = 0);
// The parameter's data after its revision byte.
Bytes DecodeLanConfigData(const Bytes& data, std::size_t minimum);

struct Ipv6Status {
  std::uint8_t staticAddresses = 0;
  std::uint8_t dynamicAddresses = 0;
};
Ipv6Status DecodeIpv6Status(const Bytes& parameter);

struct Ipv6Address {
  bool enabled = false;  // static: the enable bit; dynamic: always
  std::array<std::uint8_t, 16> address{};
  std::uint8_t prefixLength = 0;
  std::uint8_t status = 0;  // 0 active
};
// Parameters 56 (static) and 59 (dynamic) share this layout.
Ipv6Address DecodeIpv6Address(const Bytes& parameter);

namespace system_info {
constexpr std::uint8_t kSetInProgress = 0;
constexpr std::uint8_t kSystemName = 2;
constexpr std::uint8_t kOsName = 4;
constexpr std::uint8_t kOsVersion = 5;
constexpr std::uint8_t kSetComplete = 0x00;
constexpr std::uint8_t kInProgress = 0x01;
constexpr std::size_t kFirstBlockText = 14;  // text bytes in block 0
constexpr std::size_t kBlockText = 16;       // text bytes in later blocks
constexpr std::size_t kMaxText = 255;
}  // namespace system_info

enum class TextEncoding : std::uint8_t { kAsciiLatin1 = 0, kUtf8 = 1, kUnicode = 2 };

Bytes GetSystemInfoRequest(std::uint8_t parameter, std::uint8_t setSelector);

// Block 0 of a text parameter: encoding, total length and the first bytes.
struct FirstTextBlock {
  TextEncoding encoding = TextEncoding::kAsciiLatin1;
  std::size_t length = 0;
  Bytes text;  // at most kFirstBlockText bytes
};
FirstTextBlock DecodeFirstTextBlock(const Bytes& data);
// A later block's text bytes (kBlockText).
Bytes DecodeTextBlock(const Bytes& data, std::uint8_t setSelector);

Bytes SetSystemInfoRequest(std::uint8_t parameter, const Bytes& value);
// The blocks of a text: block 0 with encoding and length, then 16-byte
// blocks, each led by its set selector and padded with zeros.
std::vector<Bytes> TextBlocks(TextEncoding encoding, const std::string& text);

}  // namespace Bmc
}  // namespace HostCtl
