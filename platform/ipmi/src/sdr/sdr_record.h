#pragma once
// Typed views of SDR records (IPMI v2.0 section 43). Every decoder checks the
// record's length and type and returns nothing for a record it cannot trust.

#include "sdr/sdr_repository.h"

#include <Ipmi/Entity.h>

#include <cstdint>
#include <optional>
#include <string>

namespace marlek {

namespace sdr_type {
constexpr std::uint8_t kFullSensor = 0x01;
constexpr std::uint8_t kCompactSensor = 0x02;
constexpr std::uint8_t kEventOnly = 0x03;
constexpr std::uint8_t kFruDeviceLocator = 0x11;
constexpr std::uint8_t kMcDeviceLocator = 0x12;
constexpr std::uint8_t kOem = 0xc0;
}  // namespace sdr_type

// Type 0x11: a FRU device, reached through the controller at
// accessAddress (logical device) or on a private bus (physical device).
struct FruDeviceLocator {
  std::uint8_t accessAddress = 0;  // 8-bit slave address of the controller
  std::uint8_t fruDeviceId = 0;    // logical devices; 7-bit slave address otherwise
  bool logical = false;
  std::uint8_t accessLun = 0;
  std::uint8_t privateBusId = 0;
  std::uint8_t channel = 0;
  std::uint8_t deviceType = 0;
  std::uint8_t deviceTypeModifier = 0;
  Ipmi::Entity entity;
  std::string idString;
};

// Type 0x12: a management controller on IPMB.
struct McDeviceLocator {
  std::uint8_t slaveAddress = 0;  // 8-bit
  std::uint8_t channel = 0;
  bool fruInventoryDevice = false;  // device capabilities bit 3
  Ipmi::Entity entity;
  std::string idString;
};

std::optional<FruDeviceLocator> DecodeFruDeviceLocator(const SdrRecord& record);
std::optional<McDeviceLocator> DecodeMcDeviceLocator(const SdrRecord& record);

// The ID string of a record, decoded by its type/length byte: 8-bit
// ASCII+Latin-1 (as UTF-8), 6-bit packed ASCII, BCD plus, or hex for binary.
std::string DecodeIdString(std::uint8_t typeLength, const std::uint8_t* bytes, std::size_t available);

}  // namespace marlek
