// What a SEL entry says, from its 16 bytes: the record kind its type picks,
// its time stamp, caption and severity.

#include "sel/sel_event_text.h"
#include "sel/sel_severity.h"

#include <gtest/gtest.h>

namespace marlek::sel {
namespace {

// Entry 0x0102 of `type`, stamped 0x5312d4b4, followed by `body`.
RawEntry Entry(std::uint8_t type, std::initializer_list<std::uint8_t> body) {
  RawEntry raw{0x02, 0x01, type, 0xb4, 0xd4, 0x12, 0x53};
  std::copy(body.begin(), body.end(), raw.begin() + 7);
  return raw;
}

// A system event from the BMC (0x20) about sensor 0x30.
RawEntry Event(std::uint8_t sensorType, std::uint8_t directionAndType, std::uint8_t data1) {
  return Entry(0x02, {0x20, 0x00, 0x04, sensorType, 0x30, directionAndType, data1, 0xff, 0xff});
}

TEST(SelEntryTest, CaptionSeverityAndTimeStampByKind) {
  using namespace severity;
  const struct {
    RawEntry raw;
    std::uint32_t timestamp;
    const char* caption;
    int severity;
  } cases[] = {
      {Event(0x01, 0x01, 0x59), 0x5312d4b4, "Assert + Temperature Upper Critical going high", kCritical},
      {Event(0x01, 0x81, 0x59), 0x5312d4b4, "Deassert + Temperature Upper Critical going high", kOther},
      {Event(0x02, 0x01, 0x50), 0x5312d4b4, "Assert + Voltage Lower Non-critical going low",
       kDegradedWarning},
      {Event(0x02, 0x01, 0x5b), 0x5312d4b4, "Assert + Voltage Upper Non-recoverable going high", kFatal},
      {Event(0x01, 0x70, 0x03), 0x5312d4b4, "Assert + Temperature OEM event type 0x70 offset 0x03", kNone},
      {Event(0x50, 0x03, 0x05), 0x5312d4b4,
       "Assert + Unknown sensor type 0x50 Unknown event offset 0x05 of event type 0x03", kUnknown},
      {Event(0xc5, 0x08, 0x01), 0x5312d4b4, "Assert + OEM sensor type 0xc5 Device Present", kInformation},
      {Entry(0xc0, {0xa2, 0x02, 0x00, 1, 2, 3, 4, 5, 6}), 0x5312d4b4,
       "OEM record 0xc0 + Manufacturer ID 0x0002a2 + Data 010203040506", kNone},
      {Entry(0xdf, {0xa2, 0x02, 0x00, 1, 2, 3, 4, 5, 6}), 0x5312d4b4,
       "OEM record 0xdf + Manufacturer ID 0x0002a2 + Data 010203040506", kNone},
      {Entry(0xe0, {0xa2, 0x02, 0x00, 1, 2, 3, 4, 5, 6}), 0,
       "OEM record 0xe0 + Data b4d41253a20200010203040506", kNone},
      {Entry(0x03, {0xa2, 0x02, 0x00, 1, 2, 3, 4, 5, 6}), 0x5312d4b4,
       "Unknown record type 0x03 + Data b4d41253a20200010203040506", kNone},
  };
  for (const auto& c : cases) {
    const SelEntry entry = DecodeSelEntry(c.raw);
    EXPECT_EQ(entry.recordId, 0x0102);
    EXPECT_EQ(entry.timestamp, c.timestamp) << c.caption;
    EXPECT_EQ(SelCaption(entry), c.caption);
    EXPECT_EQ(SelSeverity(entry), c.severity) << c.caption;
  }
}

}  // namespace
}  // namespace marlek::sel
