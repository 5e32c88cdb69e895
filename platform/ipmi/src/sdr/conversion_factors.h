#pragma once
// The conversion factors a full sensor record (IPMI v2.0 section 43.1, bytes
// 24 to 29) carries for its readings, as the record decodes them; the
// conversion itself is the sensor's (sensor/sensor_conversion.h).

#include "wire/payload.h"

#include <cstdint>

namespace marlek {

enum class AnalogFormat : std::uint8_t {
  kUnsigned = 0,
  kOnesComplement = 1,
  kTwosComplement = 2,
  kNone = 3,  // no analog reading: the raw byte as is
};

namespace linearization {
constexpr std::uint8_t kLinear = 0x00;
constexpr std::uint8_t kLn = 0x01;
constexpr std::uint8_t kLog10 = 0x02;
constexpr std::uint8_t kLog2 = 0x03;
constexpr std::uint8_t kE = 0x04;
constexpr std::uint8_t kExp10 = 0x05;
constexpr std::uint8_t kExp2 = 0x06;
constexpr std::uint8_t kInverse = 0x07;
constexpr std::uint8_t kSquare = 0x08;
constexpr std::uint8_t kCube = 0x09;
constexpr std::uint8_t kSquareRoot = 0x0a;
constexpr std::uint8_t kCubeRoot = 0x0b;
constexpr std::uint8_t kFirstNonLinear = 0x70;
constexpr std::uint8_t kLastNonLinear = 0x7f;
}  // namespace linearization

struct ConversionFactors {
  AnalogFormat format = AnalogFormat::kUnsigned;
  std::uint8_t linearization = linearization::kLinear;
  std::int16_t m = 1;    // 10-bit signed
  std::int16_t b = 0;    // 10-bit signed
  std::int8_t bExp = 0;  // K1, 4-bit signed
  std::int8_t rExp = 0;  // K2, 4-bit signed
  std::uint16_t tolerance = 0;
  std::uint16_t accuracy = 0;
  std::uint8_t accuracyExp = 0;

  // Linearization 70h-7Fh: M, B and the exponents depend on the reading and
  // come from Get Sensor Reading Factors.
  bool NonLinear() const {
    return linearization >= linearization::kFirstNonLinear && linearization <= linearization::kLastNonLinear;
  }
};

// The six bytes M, M/tolerance, B, B/accuracy, accuracy/exponent, R/B
// exponents, laid out alike in full sensor records (bytes 24-29) and in
// Get Sensor Reading Factors responses.
void DecodeConversionBytes(PayloadReader& in, ConversionFactors& factors);

}  // namespace marlek
