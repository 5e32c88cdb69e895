// Sensor value conversion and discrete health where the simulated servers
// have no example, and the SDR records the decoders must refuse.

#include "sdr/sdr_record.h"
#include "sensor/sensor_conversion.h"
#include "sensor/sensor_impl.h"
#include "sensor/sensor_states.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace marlek {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(SensorConversionTest, FormulaFormatsAndLinearisations) {
  struct Case {
    Bytes factors;  // M, M/tolerance, B, B/accuracy, accuracy/direction, exponents
    AnalogFormat format;
    std::uint8_t linearization, raw;
    double expected;
  } cases[] = {
      {{0x01, 0x00, 0x00, 0x00, 0x00, 0x00}, AnalogFormat::kTwosComplement, 0, 0x80, -128},
      {{0x01, 0x00, 0x00, 0x00, 0x00, 0x00}, AnalogFormat::kOnesComplement, 0, 0x80, -127},
      {{0x01, 0x00, 0x00, 0x00, 0x00, 0x00}, AnalogFormat::kOnesComplement, 0, 0xff, 0},
      {{0x01, 0x00, 0x00, 0x00, 0x00, 0x00}, AnalogFormat::kOnesComplement, 0, 0x7f, 127},
      {{0x02, 0x00, 0x05, 0x00, 0x00, 0xf1}, AnalogFormat::kUnsigned, 0, 10, (2 * 10 + 5 * 10) * 0.1},
      {{0x01, 0x00, 0x19, 0x00, 0x00, 0x0e}, AnalogFormat::kUnsigned, 0, 1, 1 + 25 * 0.01},
      {{0xfe, 0xc0, 0x9c, 0xc0, 0x00, 0x00}, AnalogFormat::kUnsigned, 0, 10, -2 * 10 - 100},
      {{0x00, 0x80, 0x00, 0x80, 0x00, 0x78}, AnalogFormat::kUnsigned, 0, 1, (-512 - 512 * 1e-8) * 1e7},
      {{0xff, 0x7f, 0xff, 0x7f, 0x00, 0x87}, AnalogFormat::kUnsigned, 0, 1, (511 + 511 * 1e7) * 1e-8},
      {{0x01, 0x00, 0x00, 0x00, 0x00, 0x00}, AnalogFormat::kUnsigned, linearization::kLn, 8, std::log(8.0)},
      {{0x01, 0x00, 0x00, 0x00, 0x00, 0x00}, AnalogFormat::kUnsigned, linearization::kLog10, 100, 2},
      {{0x01, 0x00, 0x00, 0x00, 0x00, 0x00}, AnalogFormat::kUnsigned, linearization::kLog2, 8, 3},
      {{0x01, 0x00, 0x00, 0x00, 0x00, 0x00}, AnalogFormat::kUnsigned, linearization::kE, 2, std::exp(2.0)},
      {{0x01, 0x00, 0x00, 0x00, 0x00, 0x00}, AnalogFormat::kUnsigned, linearization::kExp10, 2, 100},
      {{0x01, 0x00, 0x00, 0x00, 0x00, 0x00}, AnalogFormat::kUnsigned, linearization::kExp2, 3, 8},
      {{0x01, 0x00, 0x00, 0x00, 0x00, 0x00}, AnalogFormat::kUnsigned, linearization::kInverse, 4, 0.25},
      {{0x02, 0x00, 0x04, 0x00, 0x00, 0xf0}, AnalogFormat::kUnsigned, linearization::kSquare, 3, 1},
      {{0x01, 0x00, 0x00, 0x00, 0x00, 0x00}, AnalogFormat::kUnsigned, linearization::kCube, 3, 27},
      {{0x01, 0x00, 0x00, 0x00, 0x00, 0x00}, AnalogFormat::kUnsigned, linearization::kSquareRoot, 16, 4},
      {{0x01, 0x00, 0x00, 0x00, 0x00, 0x00}, AnalogFormat::kUnsigned, linearization::kCubeRoot, 27, 3},
      {{0x03, 0x00, 0x00, 0x00, 0x00, 0x00}, AnalogFormat::kUnsigned, 0x70, 9, 27},  // per-reading factors
  };
  for (const Case& c : cases) {
    ConversionFactors f;
    f.format = c.format;
    f.linearization = c.linearization;
    PayloadReader in(c.factors);
    DecodeConversionBytes(in, f);
    EXPECT_NEAR(ConvertRawValue(f, c.raw), c.expected, 1e-9 * std::max(1.0, std::fabs(c.expected)))
        << int(c.linearization) << " raw " << int(c.raw);
    EXPECT_EQ(f.NonLinear(), c.linearization >= 0x70);
  }
}

// {reading type, sensor type, reading mask, states, health (0: none)}
TEST(SensorHealthTest, PresenceAndFaults) {
  const int cases[][5] = {
      {0x6f, 0x0d, 0x0001, 0x0000, 0},   // a drive slot reporting only presence: empty
      {0x6f, 0x0d, 0x0001, 0x0002, 25},  // a drive fault shows without presence
      {0x6f, 0x07, 0x0282, 0x0200, 0},   // a terminator in the processor socket
      {0x6f, 0x07, 0x0080, 0x0002, 30},  // a thermal trip outside the reading mask
      {0x6f, 0xc0, 0x0001, 0x0000, 0},   // an OEM sensor type
      {0x02, 0x22, 0x0007, 0x0001, 5},   // the first and the last generic reading type
      {0x0c, 0x22, 0x000f, 0x0001, 5},  {0x0d, 0x22, 0x000f, 0x0001, 0},  // reserved: no table
  };
  for (const auto& c : cases) {
    SensorRecord r;
    r.eventReadingType = static_cast<std::uint8_t>(c[0]);
    r.sensorType = static_cast<std::uint8_t>(c[1]);
    r.readingMask = static_cast<std::uint16_t>(c[2]);
    EXPECT_EQ(DiscreteHealth(r, static_cast<std::uint16_t>(c[3])).value_or(0), c[4]) << c[1] << " " << c[3];
  }
}

TEST(SensorTextTest, UnitsWithModifiersAndTypesOutsideTheTable) {
  const struct {
    std::uint8_t base, modifier, use;
    bool percentage;
    const char* text;
  } units[] = {
      {4, 22, 1, false, "Volts/second"},
      {4, 5, 2, false, "Volts*Amps"},
      {0, 0, 0, true, "percent"},
      {4, 0, 0, true, "% Volts"},
      {200, 0, 0, false, "unknown unit (0xc8)"},
  };
  for (const auto& u : units) {
    auto impl = std::make_unique<Ipmi::IpmiSensor::Impl>();
    impl->record.units.base = u.base;
    impl->record.units.modifier = u.modifier;
    impl->record.units.modifierUse = u.use;
    impl->record.units.percentage = u.percentage;
    impl->record.sensorType = u.base == 4 ? 0xbf : 0xc0;
    const Ipmi::IpmiSensor sensor(std::move(impl));
    EXPECT_EQ(sensor.getBaseUnitString(), u.text);
    EXPECT_EQ(sensor.getSensorTypeString(), u.base == 4 ? "Unknown (0xbf)" : "OEM reserved (0xc0)");
  }
}

SdrRecord Record(Bytes bytes) {
  return SdrRecord{0, 0, bytes.size() > 3 ? bytes[3] : std::uint8_t{0}, bytes};
}

// An event-only sensor record and a FRU device locator, "NM Cap" and "FRU".
const Bytes kEventOnly = {0x25, 0x00, 0x51, 0x03, 0x12, 0x2c, 0x60, 0x1a, 0x2e, 0x01, 0xdc, 0x74,
                          0x01, 0x00, 0x00, 0x00, 0xc6, 'N',  'M',  ' ',  'C',  'a',  'p'};
const Bytes kFruLocator = {0x6b, 0x00, 0x51, 0x11, 0x0e, 0x20, 0x01, 0x80, 0x00, 0x00,
                           0x10, 0x00, 0x07, 0x02, 0x00, 0xc3, 'F',  'R',  'U'};

TEST(SdrRecordTest, OtherTypesAndTruncatedRecordsAreRefused) {
  EXPECT_EQ(DecodeSensorRecord(Record(kEventOnly)).value().idString, "NM Cap");
  EXPECT_FALSE(DecodeSensorRecord(Record(kFruLocator)));
  EXPECT_FALSE(DecodeMcDeviceLocator(Record(kFruLocator)));
  EXPECT_EQ(DecodeFruDeviceLocator(Record(kFruLocator))->idString, "FRU");
  for (std::size_t n : {0u, 3u, 5u, 12u, 15u, 16u}) {
    const Bytes cutEventOnly(kEventOnly.begin(), kEventOnly.begin() + std::min<std::size_t>(n, 16));
    EXPECT_EQ(bool(DecodeSensorRecord(Record(cutEventOnly))), n >= 16) << n;
    const Bytes cutLocator(kFruLocator.begin(), kFruLocator.begin() + n);
    EXPECT_EQ(bool(DecodeFruDeviceLocator(Record(cutLocator))), n >= 15) << n;
  }
  // A length byte or ID string length larger than the bytes held.
  Bytes lying = kEventOnly;
  lying[4] = 0xff;
  lying[16] = 0xdf;
  EXPECT_EQ(DecodeSensorRecord(Record(lying))->idString, "NM Cap");
  const Bytes ab = {'A', 'B'};
  EXPECT_EQ(DecodeIdString(0x90, ab.data(), 2), "!)");  // six-bit packed, cut short
}

// One sensor per shared number: names with a numeric or alphabetic modifier,
// entity instances counting up where the record says so.
TEST(SdrRecordTest, SharedRecordsExpandToOneSensorEach) {
  const struct {
    std::uint8_t share, instance;  // record bytes 13 and 14
    std::vector<std::string> names;
  } cases[] = {
      {0x13, 0x99, {"NM CapZ", "NM CapAA", "NM CapAB"}},
      {0x02, 0x05, {"NM Cap5", "NM Cap6"}},
      {0x00, 0x00, {"NM Cap"}},  // a count of 0 is one sensor
  };
  for (const auto& c : cases) {
    Bytes bytes = kEventOnly;
    bytes[12] = c.share;
    bytes[13] = c.instance;
    const std::vector<SensorRecord> sensors = ExpandSharedSensors(DecodeSensorRecord(Record(bytes)).value());
    std::vector<std::string> names;
    for (std::size_t i = 0; i < sensors.size(); ++i) {
      names.push_back(sensors[i].idString);
      EXPECT_EQ(sensors[i].sensorNumber, 0x1a + i);
      EXPECT_EQ(sensors[i].entity.instance, c.instance & 0x80 ? 1 + i : 1);
    }
    EXPECT_EQ(names, c.names);
  }
}

}  // namespace
}  // namespace marlek
