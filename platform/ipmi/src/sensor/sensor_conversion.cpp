#include "sensor/sensor_conversion.h"

#include <cmath>

namespace marlek {
namespace {

double Linearize(std::uint8_t l, double y) {
  switch (l) {
    case linearization::kLn:
      return std::log(y);
    case linearization::kLog10:
      return std::log10(y);
    case linearization::kLog2:
      return std::log2(y);
    case linearization::kE:
      return std::exp(y);
    case linearization::kExp10:
      return std::pow(10.0, y);
    case linearization::kExp2:
      return std::exp2(y);
    case linearization::kInverse:
      return 1.0 / y;
    case linearization::kSquare:
      return y * y;
    case linearization::kCube:
      return y * y * y;
    case linearization::kSquareRoot:
      return std::sqrt(y);
    case linearization::kCubeRoot:
      return std::cbrt(y);
    default:
      return y;  // linear, non-linear (factors already per reading), reserved codes
  }
}

}  // namespace

int RawToSigned(std::uint8_t raw, AnalogFormat format) {
  switch (format) {
    case AnalogFormat::kOnesComplement:
      return (raw & 0x80) ? -static_cast<int>(~raw & 0x7f) : raw;
    case AnalogFormat::kTwosComplement:
      return static_cast<std::int8_t>(raw);
    case AnalogFormat::kUnsigned:
    case AnalogFormat::kNone:
      break;
  }
  return raw;
}

double ConvertRawValue(const ConversionFactors& f, std::uint8_t raw) {
  const double x = RawToSigned(raw, f.format);
  const double y = (f.m * x + f.b * std::pow(10.0, f.bExp)) * std::pow(10.0, f.rExp);
  return Linearize(f.linearization, y);
}

}  // namespace marlek
