#pragma once
// What identifies a BMC across sessions, for keying its SDR cache: Get
// Device ID (manufacturer and product) and Get Device GUID when it has one.

#include "transport/message.h"

#include <array>
#include <cstdint>
#include <optional>

namespace marlek {

struct BmcIdentity {
  std::uint32_t manufacturerId = 0;  // IANA enterprise number, 20 bits
  std::uint16_t productId = 0;
  std::optional<std::array<std::uint8_t, 16>> guid;
};

// Decoders of successful responses; they throw TruncatedPayload when short.
BmcIdentity DecodeDeviceIdIdentity(const Response& deviceId);
std::array<std::uint8_t, 16> DecodeDeviceGuid(const Response& guid);

// Both requests; nothing when Get Device ID fails (the BMC cannot be told
// apart from another, so its records are not cached). Transport failures throw.
std::optional<BmcIdentity> ReadBmcIdentity(Transport& transport);

}  // namespace marlek
