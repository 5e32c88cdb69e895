#include "sdr/conversion_factors.h"

namespace marlek {
namespace {

std::int16_t SignExtend(unsigned value, int bits) {
  const unsigned sign = 1u << (bits - 1);
  return static_cast<std::int16_t>((value ^ sign) - sign);
}

}  // namespace

void DecodeConversionBytes(PayloadReader& in, ConversionFactors& f) {
  const std::uint8_t mLow = in.U8();
  const std::uint8_t mHighTolerance = in.U8();
  const std::uint8_t bLow = in.U8();
  const std::uint8_t bHighAccuracy = in.U8();
  const std::uint8_t accuracyExp = in.U8();
  const std::uint8_t exponents = in.U8();
  f.m = SignExtend(((mHighTolerance >> 6) << 8) | mLow, 10);
  f.tolerance = mHighTolerance & 0x3f;
  f.b = SignExtend(((bHighAccuracy >> 6) << 8) | bLow, 10);
  f.accuracy = static_cast<std::uint16_t>((bHighAccuracy & 0x3f) | ((accuracyExp >> 4) << 6));
  f.accuracyExp = (accuracyExp >> 2) & 0x03;
  f.rExp = static_cast<std::int8_t>(SignExtend(exponents >> 4, 4));
  f.bExp = static_cast<std::int8_t>(SignExtend(exponents & 0x0f, 4));
}

}  // namespace marlek
