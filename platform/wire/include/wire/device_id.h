#pragma once
// The Get Device ID response (IPMI v2.0 section 20.1), decoded once for
// every library that asks for it.

#include <cstdint>
#include <vector>

namespace marlek {

struct DeviceId {
  std::uint8_t deviceId = 0;
  std::uint8_t firmwareMajor = 0;    // binary, 7 bits
  std::uint8_t firmwareMinor = 0;    // BCD
  std::uint8_t ipmiVersion = 0;      // BCD: low nibble major, high nibble minor
  std::uint32_t manufacturerId = 0;  // IANA enterprise number, 20 bits
  std::uint16_t productId = 0;
};

// The data after the completion code; throws TruncatedPayload when short.
DeviceId DecodeDeviceId(const std::vector<std::uint8_t>& data);

}  // namespace marlek
