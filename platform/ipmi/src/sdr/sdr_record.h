#pragma once
// Typed views of SDR records (IPMI v2.0 section 43). Every decoder checks the
// record's length and type and returns nothing for a record it cannot trust.

#include "sdr/conversion_factors.h"
#include "sdr/sdr_repository.h"

#include <Ipmi/Entity.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

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

// Units of a sensor (record byte "sensor units 1" and the two unit codes).
struct SensorUnits {
  AnalogFormat format = AnalogFormat::kUnsigned;
  std::uint8_t rate = 0;         // 0 none, 1 per microsecond ... 6 per day
  std::uint8_t modifierUse = 0;  // 0 none, 1 base/modifier, 2 base*modifier
  bool percentage = false;
  std::uint8_t base = 0;      // unit code, table 43-15
  std::uint8_t modifier = 0;  // unit code
};

// Sharing of one compact or event-only record by several sensors.
struct SensorSharing {
  std::uint8_t count = 1;  // sensors described by the record
  bool alphaModifier = false;
  std::uint8_t modifierOffset = 0;
  bool entityInstanceIncrements = false;
};

// A full (0x01), compact (0x02) or event-only (0x03) sensor record.
struct SensorRecord {
  std::uint16_t recordId = 0;
  std::uint8_t recordType = 0;
  std::uint8_t ownerId = 0;  // bit 0 set: a system software ID
  std::uint8_t ownerLun = 0;
  std::uint8_t channel = 0;
  std::uint8_t sensorNumber = 0;
  Ipmi::Entity entity;
  bool logicalEntity = false;
  std::uint8_t initialization = 0;  // sensor initialization byte
  std::uint8_t capabilities = 0;    // sensor capabilities byte
  std::uint8_t sensorType = 0;
  std::uint8_t eventReadingType = 0;
  std::uint16_t assertionMask = 0;    // threshold sensors: lower threshold reading mask too
  std::uint16_t deassertionMask = 0;  // threshold sensors: upper threshold reading mask too
  std::uint16_t readingMask = 0;      // discrete: the states that can be read
  SensorUnits units;
  ConversionFactors factors;  // full records; linear M=1 B=0 otherwise
  SensorSharing sharing;      // compact and event-only records
  std::string idString;

  bool IsThreshold() const { return eventReadingType == 0x01; }
  bool IsEventOnly() const { return recordType == 0x03; }
};

// Decodes a sensor record; nothing for other record types or for records
// too short for their layout.
std::optional<SensorRecord> DecodeSensorRecord(const SdrRecord& record);

// The sensors a record describes: itself, or one per shared sensor of a
// compact or event-only record, with consecutive sensor numbers, the ID
// string instance modifier appended, and the entity instance incremented
// when the record says so (IPMI v2.0 section 43.2).
std::vector<SensorRecord> ExpandSharedSensors(const SensorRecord& record);

std::optional<FruDeviceLocator> DecodeFruDeviceLocator(const SdrRecord& record);
std::optional<McDeviceLocator> DecodeMcDeviceLocator(const SdrRecord& record);

// The ID string of a record, decoded by its type/length byte: 8-bit
// ASCII+Latin-1 (as UTF-8), 6-bit packed ASCII, BCD plus, or hex for binary.
std::string DecodeIdString(std::uint8_t typeLength, const std::uint8_t* bytes, std::size_t available);

}  // namespace marlek
