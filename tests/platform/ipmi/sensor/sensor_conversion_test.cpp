#include "sensor/sensor_conversion.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace marlek {
namespace {

ConversionFactors Factors(std::vector<std::uint8_t> six, AnalogFormat format = AnalogFormat::kUnsigned,
                          std::uint8_t l = linearization::kLinear) {
  ConversionFactors f;
  f.format = format;
  f.linearization = l;
  PayloadReader in(six);
  DecodeConversionBytes(in, f);
  return f;
}

TEST(DecodeConversionBytes, TenBitSignedFactorsAndFourBitExponents) {
  struct Case {
    std::vector<std::uint8_t> bytes;
    int m, b, rExp, bExp, tolerance, accuracy, accuracyExp;
  };
  const Case cases[] = {
      {{0x3c, 0x00, 0x00, 0x00, 0x00, 0xd0}, 60, 0, -3, 0, 0, 0, 0},
      {{0xff, 0xc0, 0x00, 0x00, 0x00, 0x00}, -1, 0, 0, 0, 0, 0, 0},
      {{0x00, 0x80, 0x00, 0x80, 0x00, 0x78}, -512, -512, 7, -8, 0, 0, 0},
      {{0xff, 0x7f, 0xff, 0x7f, 0x00, 0x87}, 511, 511, -8, 7, 0x3f, 0x3f, 0},
      {{0x9c, 0xc5, 0x9c, 0xea, 0xf8, 0x21}, -100, -100, 2, 1, 5, 0x3ea, 2},
  };
  for (const Case& c : cases) {
    const ConversionFactors f = Factors(c.bytes);
    EXPECT_EQ(f.m, c.m);
    EXPECT_EQ(f.b, c.b);
    EXPECT_EQ(f.rExp, c.rExp);
    EXPECT_EQ(f.bExp, c.bExp);
    EXPECT_EQ(f.tolerance, c.tolerance);
    EXPECT_EQ(f.accuracyExp, c.accuracyExp);
    EXPECT_EQ(f.accuracy, c.accuracy);
  }
  // accuracy: 6 low bits from byte 3, 4 high bits from byte 4
  EXPECT_EQ(Factors({0, 0, 0, 0x2a, 0xb0, 0}).accuracy, (0xb << 6) | 0x2a);
}

TEST(RawToSigned, AnalogFormats) {
  struct Case {
    std::uint8_t raw;
    AnalogFormat format;
    int expected;
  };
  const Case cases[] = {
      {0xf0, AnalogFormat::kUnsigned, 240},        {0xf0, AnalogFormat::kOnesComplement, -15},
      {0xf0, AnalogFormat::kTwosComplement, -16},  {0xff, AnalogFormat::kOnesComplement, 0},
      {0x80, AnalogFormat::kOnesComplement, -127}, {0x80, AnalogFormat::kTwosComplement, -128},
      {0x7f, AnalogFormat::kTwosComplement, 127},  {0x7f, AnalogFormat::kOnesComplement, 127},
      {0xc5, AnalogFormat::kNone, 0xc5},
  };
  for (const Case& c : cases)
    EXPECT_EQ(RawToSigned(c.raw, c.format), c.expected) << int(c.raw) << " format " << int(c.format);
}

TEST(ConvertRawValue, FormulaWithSignsAndExponents) {
  struct Case {
    const char* name;
    ConversionFactors f;
    std::uint8_t raw;
    double expected;
  };
  const Case cases[] = {
      // Records of real servers, with the values their BMCs' peers print.
      {"12 V rail, M=60 K2=-3", Factors({0x3c, 0x00, 0x00, 0x00, 0x00, 0xd0}), 0xca, 12.12},
      {"PSU input, M=7", Factors({0x07, 0x00, 0x00, 0x00, 0x00, 0x00}), 0x80, 896},
      {"thermal margin, 2's complement",
       Factors({0x01, 0x00, 0x00, 0x00, 0x00, 0x00}, AnalogFormat::kTwosComplement), 0xc5, -59},
      // (M x + B 10^K1) 10^K2 by hand.
      {"M=2 B=5 K1=1 K2=-1", Factors({0x02, 0x00, 0x05, 0x00, 0x00, 0xf1}), 10, 7.0},
      {"M=1 B=3 K1=2 K2=-2", Factors({0x01, 0x00, 0x03, 0x00, 0x00, 0xe2}), 50, 3.5},
      {"negative M", Factors({0xfe, 0xc0, 0x00, 0x00, 0x00, 0x00}), 10, -20},
      {"negative B", Factors({0x01, 0x00, 0x9c, 0xc0, 0x00, 0x00}), 0, -100},
      {"1's complement with offset",
       Factors({0x02, 0x00, 0x0a, 0x00, 0x00, 0x00}, AnalogFormat::kOnesComplement), 0xfe, 8},
      {"K1 negative", Factors({0x01, 0x00, 0x19, 0x00, 0x00, 0x0e}), 1, 1.25},
  };
  for (const Case& c : cases)
    EXPECT_NEAR(ConvertRawValue(c.f, c.raw), c.expected, 1e-9) << c.name;
}

TEST(ConvertRawValue, EveryLinearization) {
  struct Case {
    std::uint8_t l;
    std::uint8_t raw;
    double expected;
  };
  const Case cases[] = {
      {linearization::kLinear, 8, 8},
      {linearization::kLn, 8, std::log(8.0)},
      {linearization::kLog10, 100, 2},
      {linearization::kLog2, 8, 3},
      {linearization::kE, 2, std::exp(2.0)},
      {linearization::kExp10, 2, 100},
      {linearization::kExp2, 3, 8},
      {linearization::kInverse, 4, 0.25},
      {linearization::kSquare, 3, 9},
      {linearization::kCube, 3, 27},
      {linearization::kSquareRoot, 16, 4},
      {linearization::kCubeRoot, 27, 3},
      // Non-linear sensors are converted linearly with their per-reading factors.
      {0x70, 9, 9},
      {0x7f, 9, 9},
  };
  for (const Case& c : cases) {
    const ConversionFactors f = Factors({0x01, 0x00, 0x00, 0x00, 0x00, 0x00}, AnalogFormat::kUnsigned, c.l);
    EXPECT_NEAR(ConvertRawValue(f, c.raw), c.expected, 1e-9) << "linearization " << int(c.l);
  }
  // Linearization applies after scaling: sqr of (2 * 3 + 4) * 10^-1.
  EXPECT_NEAR(
      ConvertRawValue(
          Factors({0x02, 0x00, 0x04, 0x00, 0x00, 0xf0}, AnalogFormat::kUnsigned, linearization::kSquare), 3),
      1.0, 1e-9);
  ConversionFactors nonLinear;
  nonLinear.linearization = 0x75;
  EXPECT_TRUE(nonLinear.NonLinear());
  nonLinear.linearization = 0x0b;
  EXPECT_FALSE(nonLinear.NonLinear());
}

}  // namespace
}  // namespace marlek
