#include "tables/event_tables.h"

#include <gtest/gtest.h>

#include <string>

namespace marlek {
namespace {

std::string Text(const char* s) {
  return s ? s : "<null>";
}

TEST(NameTables, KnownCodesAndEdges) {
  struct Case {
    const char* (*lookup)(std::uint8_t);
    std::uint8_t code;
    const char* expected;
  };
  const Case cases[] = {
      {SensorTypeName, 0x01, "Temperature"},
      {SensorTypeName, 0x07, "Processor"},
      {SensorTypeName, 0x0d, "Drive Slot (Bay)"},
      {SensorTypeName, 0x2c, "FRU State"},
      {SensorTypeName, 0x00, "<null>"},
      {SensorTypeName, 0x2d, "<null>"},
      {SensorTypeName, 0xc0, "<null>"},
      {UnitName, 0, "unspecified"},
      {UnitName, 1, "degrees C"},
      {UnitName, 4, "Volts"},
      {UnitName, 18, "RPM"},
      {UnitName, 92, "grams"},
      {UnitName, 93, "<null>"},
      {EntityIdName, 0x03, "Processor"},
      {EntityIdName, 0x07, "System Board"},
      {EntityIdName, 0x42, "Baseboard"},
      {EntityIdName, 0x36, "<null>"},
      {EntityIdName, 0x90, "<null>"},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Text(c.lookup(c.code)), c.expected) << "code 0x" << std::hex << int(c.code);
}

TEST(EventOffsets, ThresholdGenericAndSensorSpecific) {
  struct Case {
    std::uint8_t readingType, sensorType, offset;
    const char* text;
    StateHealth health;
  };
  const Case cases[] = {
      {0x01, 0x01, 0x09, "Upper Critical going high", StateHealth::Critical},
      {0x03, 0x00, 0x01, "State Asserted", StateHealth::None},
      {0x07, 0x00, 0x03, "Transition to Non-recoverable from less severe", StateHealth::NonRecoverable},
      {0x07, 0x00, 0x00, "Transition to OK", StateHealth::Ok},
      {0x0b, 0x00, 0x01, "Redundancy Lost", StateHealth::Degraded},
      {0x0c, 0x00, 0x03, "D3 Power State", StateHealth::None},
      // Sensor-specific states depend on the sensor type.
      {0x6f, 0x07, 0x00, "IERR", StateHealth::Critical},
      {0x6f, 0x07, 0x07, "Presence detected", StateHealth::None},
      {0x6f, 0x08, 0x01, "Failure detected", StateHealth::Critical},
      {0x6f, 0x0c, 0x01, "Uncorrectable ECC", StateHealth::Critical},
      {0x6f, 0x0d, 0x08, "Rebuild Aborted", StateHealth::Degraded},
      {0x6f, 0x25, 0x01, "Absent", StateHealth::None},
      {0x6f, 0x22, 0x0e, "Unknown", StateHealth::None},
      // Gaps, unknown types and the generic range's end have no text.
      {0x6f, 0x22, 0x0d, "<null>", StateHealth::None},
      {0x6f, 0x0d, 0x09, "<null>", StateHealth::None},
      {0x6f, 0x01, 0x00, "<null>", StateHealth::None},
      {0x0d, 0x00, 0x00, "<null>", StateHealth::None},
      {0x70, 0x07, 0x00, "<null>", StateHealth::None},
      {0x03, 0x00, 0x02, "<null>", StateHealth::None},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << std::hex << "type 0x" << int(c.readingType) << " sensor 0x"
                                    << int(c.sensorType) << " offset 0x" << int(c.offset));
    EXPECT_EQ(Text(EventOffsetText(c.readingType, c.sensorType, c.offset)), c.text);
    EXPECT_EQ(EventOffsetHealth(c.readingType, c.sensorType, c.offset), c.health);
  }
}

TEST(EventOffsets, EveryGenericTypeHasItsFirstState) {
  for (std::uint8_t t = reading_type::kThreshold; t <= reading_type::kLastGeneric; ++t)
    EXPECT_NE(EventOffsetText(t, 0, 0), nullptr) << "reading type " << int(t);
}

}  // namespace
}  // namespace marlek
