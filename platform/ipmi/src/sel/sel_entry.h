#pragma once
// The layout of one 16-byte SEL entry (IPMI v2.0 section 32): a system event
// record, an OEM record with a time stamp (types 0xC0-0xDF) or an OEM record
// without one (types 0xE0-0xFF).

#include <array>
#include <cstdint>

namespace marlek {
namespace sel {

constexpr std::uint8_t kSystemEventRecord = 0x02;
constexpr std::uint8_t kFirstOemTimestamped = 0xc0;
constexpr std::uint8_t kFirstOemNonTimestamped = 0xe0;

// Event/Reading Type codes (table 42-1).
constexpr std::uint8_t kThresholdReadingType = 0x01;
constexpr std::uint8_t kSeverityReadingType = 0x07;
constexpr std::uint8_t kSensorSpecificReadingType = 0x6f;
constexpr std::uint8_t kFirstOemReadingType = 0x70;

using RawEntry = std::array<std::uint8_t, 16>;

enum class RecordKind { kSystemEvent, kOemTimestamped, kOemNonTimestamped, kUnspecified };

// What event data bytes 2 and 3 carry (event data 1, bits 7:6 and 5:4).
enum class EventDataUsage : std::uint8_t { kUnspecified = 0, kFirst = 1, kSecond = 2, kThird = 3 };

struct SystemEvent {
  std::uint8_t generatorAddress = 0;  // 7-bit slave address or software ID
  bool softwareGenerator = false;
  std::uint8_t lun = 0;
  std::uint8_t evmRevision = 0;
  std::uint8_t sensorType = 0;
  std::uint8_t sensorNumber = 0;
  bool deassertion = false;
  std::uint8_t eventReadingType = 0;
  std::uint8_t offset = 0;  // event data 1, bits 3:0
  // For threshold events: 1 = byte 2 is the trigger reading; for generic and
  // sensor-specific ones, 1 = previous state and severity, 2 = OEM code.
  EventDataUsage data2Usage = EventDataUsage::kUnspecified;
  EventDataUsage data3Usage = EventDataUsage::kUnspecified;
  std::array<std::uint8_t, 3> eventData{};
};

struct OemTimestampedEvent {
  std::uint32_t manufacturerId = 0;  // IANA enterprise number
  std::array<std::uint8_t, 6> data{};
};

struct OemNonTimestampedEvent {
  std::array<std::uint8_t, 13> data{};
};

struct SelEntry {
  std::uint16_t recordId = 0;
  std::uint8_t recordType = 0;
  RecordKind kind = RecordKind::kUnspecified;
  std::uint32_t timestamp = 0;  // 0 for records without one
  SystemEvent system;           // kSystemEvent
  OemTimestampedEvent oemTimestamped;
  OemNonTimestampedEvent oemNonTimestamped;
  std::array<std::uint8_t, 13> body{};  // bytes 3-15, for unspecified types
};

SelEntry DecodeSelEntry(const RawEntry& raw);

}  // namespace sel
}  // namespace marlek
