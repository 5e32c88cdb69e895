#include "sensor/sensor_states.h"

#include <gtest/gtest.h>

namespace marlek {
namespace {

SensorRecord Discrete(std::uint8_t sensorType, std::uint8_t readingType, std::uint16_t readingMask = 0) {
  SensorRecord s;
  s.recordType = 0x02;
  s.sensorType = sensorType;
  s.eventReadingType = readingType;
  s.readingMask = readingMask;
  return s;
}

TEST(DiscreteStateText, AssertedStatesInOffsetOrder) {
  struct Case {
    SensorRecord sensor;
    std::uint16_t states;
    const char* expected;
  };
  const Case cases[] = {
      {Discrete(0x07, 0x6f), 0x0081, "IERR, Presence detected"},
      {Discrete(0x08, 0x6f), 0x0009, "Presence detected, Power Supply AC lost"},
      {Discrete(0x0d, 0x6f), 0x0100, "Rebuild Aborted"},
      {Discrete(0x0d, 0x6f), 0x3803, "Drive Present, Drive Fault"},  // offsets 11-13 are undefined
      {Discrete(0x0d, 0x6f), 0x0600, "Undefined states 0x0600"},
      {Discrete(0x07, 0x03), 0x0002, "State Asserted"},
      {Discrete(0x07, 0x0b), 0x0001, "Fully Redundant"},
      {Discrete(0x07, 0x6f), 0x0000, kNoStateAsserted},
      {Discrete(0xc0, 0x70), 0x0001, "Undefined states 0x0001"},  // OEM reading type
  };
  for (const Case& c : cases)
    EXPECT_EQ(DiscreteStateText(c.sensor, c.states), c.expected) << std::hex << c.states;
}

TEST(ThresholdHealth, WorstComparisonWins) {
  struct Case {
    std::uint16_t comparison;
    int health;
    const char* text;
  };
  const Case cases[] = {
      {0x00, health::kOk, kNoStateAsserted},
      {0x01, health::kDegraded, "Lower Non-critical"},
      {0x08, health::kDegraded, "Upper Non-critical"},
      {0x18, health::kCritical, "Upper Non-critical, Upper Critical"},
      {0x03, health::kCritical, "Lower Non-critical, Lower Critical"},
      {0x3f, health::kNonRecoverable,
       "Lower Non-critical, Lower Critical, Lower Non-recoverable, Upper Non-critical, Upper Critical, "
       "Upper Non-recoverable"},
      {0x20, health::kNonRecoverable, "Upper Non-recoverable"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ThresholdHealth(c.comparison), c.health) << c.comparison;
    EXPECT_EQ(ThresholdStateText(c.comparison), c.text);
  }
}

TEST(DiscreteHealth, OnlyStatesThatMeanSomethingCarryHealth) {
  struct Case {
    const char* name;
    SensorRecord sensor;
    std::uint16_t states;
    std::optional<int> expected;
  };
  const Case cases[] = {
      {"processor present", Discrete(0x07, 0x6f), 0x0080, health::kOk},
      {"processor IERR", Discrete(0x07, 0x6f), 0x0081, health::kCritical},
      {"processor thermal trip", Discrete(0x07, 0x6f), 0x0002, health::kNonRecoverable},
      {"presence-only processor sensor", Discrete(0x07, 0x6f, 0x0080), 0x0080, std::nullopt},
      {"power supply failure", Discrete(0x08, 0x6f), 0x0003, health::kCritical},
      {"power supply predictive", Discrete(0x08, 0x6f), 0x0005, health::kDegraded},
      {"uncorrectable ECC", Discrete(0x0c, 0x6f), 0x0002, health::kCritical},
      {"correctable ECC", Discrete(0x0c, 0x6f), 0x0001, health::kDegraded},
      {"drive fault", Discrete(0x0d, 0x6f, 0x0003), 0x0003, health::kCritical},
      {"severity non-recoverable", Discrete(0x07, 0x07), 0x0040, health::kNonRecoverable},
      {"severity OK", Discrete(0x07, 0x07), 0x0001, health::kOk},
      {"redundancy lost", Discrete(0x08, 0x0b), 0x0002, health::kDegraded},
      {"insufficient resources", Discrete(0x08, 0x0b), 0x0020, health::kCritical},
      {"digital state", Discrete(0x07, 0x03), 0x0002, std::nullopt},
      {"entity presence", Discrete(0x25, 0x6f), 0x0002, std::nullopt},
      {"button", Discrete(0x14, 0x6f), 0x0001, std::nullopt},
      {"OEM reading type", Discrete(0xc0, 0x70), 0x0001, std::nullopt},
  };
  for (const Case& c : cases)
    EXPECT_EQ(DiscreteHealth(c.sensor, c.states), c.expected) << c.name;
}

}  // namespace
}  // namespace marlek
