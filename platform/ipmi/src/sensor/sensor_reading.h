#pragma once
// Get Sensor Reading and Get Sensor Reading Factors (IPMI v2.0 sections
// 35.14 and 35.5): requests addressed to the sensor's owner, and their
// answers as typed values.

#include "sensor/sensor_conversion.h"
#include "transport/message.h"

#include <cstdint>

namespace marlek {

namespace sensor_cmd {
constexpr std::uint8_t kGetSensorReadingFactors = 0x23;
constexpr std::uint8_t kGetSensorReading = 0x2d;
}  // namespace sensor_cmd

struct SensorReading {
  std::uint8_t raw = 0;
  bool eventMessagesEnabled = false;
  bool scanningEnabled = false;
  bool unavailable = false;  // "reading/state unavailable"
  bool hasStates = false;    // the optional state bytes were present
  // Threshold sensors: the comparison bits (bit 0 at or below lower
  // non-critical ... bit 5 at or above upper non-recoverable). Discrete
  // sensors: the asserted states, offset 0 in bit 0, up to offset 14.
  std::uint16_t states = 0;
};

Request MakeGetSensorReading(const Target& owner, std::uint8_t sensorNumber);
Request MakeGetSensorReadingFactors(const Target& owner, std::uint8_t sensorNumber, std::uint8_t raw);

// Decoders of successful responses; TruncatedPayload when short.
SensorReading DecodeSensorReading(const Response& response);
// The factors for that reading, keeping format and linearization.
ConversionFactors DecodeSensorReadingFactors(const Response& response, const ConversionFactors& base);

}  // namespace marlek
