#include "sensor/sensor_reading.h"

#include "wire/payload.h"

namespace marlek {

Request MakeGetSensorReading(const Target& owner, std::uint8_t sensorNumber) {
  return Request{netfn::kSensorEvent, sensor_cmd::kGetSensorReading, owner, {sensorNumber}};
}

Request MakeGetSensorReadingFactors(const Target& owner, std::uint8_t sensorNumber, std::uint8_t raw) {
  return Request{netfn::kSensorEvent, sensor_cmd::kGetSensorReadingFactors, owner, {sensorNumber, raw}};
}

SensorReading DecodeSensorReading(const Response& response) {
  PayloadReader in(response.data, "Get Sensor Reading response");
  SensorReading r;
  r.raw = in.U8();
  const std::uint8_t flags = in.U8();
  r.eventMessagesEnabled = (flags & 0x80) != 0;
  r.scanningEnabled = (flags & 0x40) != 0;
  r.unavailable = (flags & 0x20) != 0;
  if (!in.AtEnd()) {
    r.hasStates = true;
    r.states = in.U8();
    if (!in.AtEnd())
      r.states |= static_cast<std::uint16_t>((in.U8() & 0x7f) << 8);
  }
  return r;
}

ConversionFactors DecodeSensorReadingFactors(const Response& response, const ConversionFactors& base) {
  PayloadReader in(response.data, "Get Sensor Reading Factors response");
  in.Skip(1);  // next reading at which the factors change
  ConversionFactors f = base;
  DecodeConversionBytes(in, f);
  return f;
}

}  // namespace marlek
