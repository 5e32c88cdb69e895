#pragma once
// The IPMI specification's name tables, as data: sensor types (table 42-3),
// units (table 43-15) and the event/reading offsets of the generic (types
// 0x02-0x0C) and sensor-specific (0x6F) reading types (tables 42-2, 42-3).
// Shared by sensor states and SEL text.

#include <cstdint>

namespace marlek {

// "Temperature", "Fan", ...; "OEM reserved" / "Unknown (0xNN)" style texts
// are left to callers: these return null for unlisted codes.
const char* SensorTypeName(std::uint8_t sensorType);
const char* UnitName(std::uint8_t unitCode);

// The text of one event/reading offset: for eventReadingType 0x01
// (threshold), 0x02-0x0C (generic) and 0x6F (sensor-specific, looked up by
// sensorType). Null when the table has no entry.
const char* EventOffsetText(std::uint8_t eventReadingType, std::uint8_t sensorType, std::uint8_t offset);

namespace reading_type {
constexpr std::uint8_t kThreshold = 0x01;
constexpr std::uint8_t kFirstGeneric = 0x02;
constexpr std::uint8_t kLastGeneric = 0x0c;
constexpr std::uint8_t kSensorSpecific = 0x6f;
}  // namespace reading_type

// What an asserted state says about the health of what the sensor watches.
enum class StateHealth { None, Ok, Degraded, Critical, NonRecoverable };

// Whether an asserted state says the monitored entity is there or not.
enum class StatePresence { None, Present, Absent };

// The health meaning of one event/reading offset (same lookup as
// EventOffsetText); None when the state says nothing about health or the
// table has no entry.
StateHealth EventOffsetHealth(std::uint8_t eventReadingType, std::uint8_t sensorType, std::uint8_t offset);
StatePresence EventOffsetPresence(std::uint8_t eventReadingType, std::uint8_t sensorType,
                                  std::uint8_t offset);

}  // namespace marlek
