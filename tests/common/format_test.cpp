// The texts the commands show for time stamps, versions, severities, record
// types and raw records.

#include "common/format.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

namespace {

using namespace OstrelCli::Hardware;

TEST(TimeStamp, RendersCalendarTimesAndRejectsControllerRelativeOnes) {
  struct Case {
    long seconds;
    const char* text;
  };
  const Case cases[] = {
      {0, "N/A"},
      {-5, "N/A"},
      {0x20000000, "N/A"},
      {0x20000001, "1987-01-05T18:48:33"},
      {1394038964, "2014-03-05T17:02:44"},
      {4102444800, "2100-01-01T00:00:00"},
      {LONG_MAX, "N/A"},  // beyond what gmtime_r can convert
  };
  for (const Case& c : cases) {
    char buffer[25];
    std::fill(std::begin(buffer), std::end(buffer), 'x');
    TimeStamp(buffer, sizeof(buffer), c.seconds);
    EXPECT_STREQ(buffer, c.text) << c.seconds;
  }
}

TEST(TimeStamp, NeverWritesPastTheGivenSize) {
  char buffer[8];
  std::fill(std::begin(buffer), std::end(buffer), 'x');
  TimeStamp(buffer, 3, 0);
  EXPECT_STREQ(buffer, "N/");
  std::fill(std::begin(buffer), std::end(buffer), 'x');
  TimeStamp(buffer, 5, 1394038964);
  EXPECT_EQ(buffer[5], 'x');
  EXPECT_EQ(std::string(buffer, 5).find('\0') != std::string::npos, true);
}

TEST(VersionToString, ShowsHexThenMajorDotMinor) {
  struct Case {
    int version;
    int size;
    const char* text;
  };
  const Case cases[] = {
      {0x51, 20, "0x51 (1.5)"},   {0x02, 20, "0x2 (2.0)"}, {0, 20, "0x0 (0.0)"},
      {0xff, 20, "0xff (15.15)"}, {0x51, 6, "0x51 "},  // cut to the buffer
  };
  for (const Case& c : cases) {
    char buffer[20];
    EXPECT_EQ(VersionToString(buffer, c.size, c.version), buffer);
    EXPECT_STREQ(buffer, c.text) << c.version;
  }
}

TEST(SeverityAndRecordType, MapCodesToNames) {
  const std::vector<std::pair<int, std::string>> severities = {
      {-1, "Unknown"},    {0, "Unknown"},          {1, "Other"},
      {2, "Information"}, {3, "Degraded/Warning"}, {4, "Minor"},
      {5, "Major"},       {6, "Critical"},         {7, "Fatal/NonRecoverable"},
      {8, "Unknown"},     {INT_MIN, "Unknown"},
  };
  for (const auto& s : severities) {
    EXPECT_STREQ(SeverityToString(s.first), s.second.c_str()) << s.first;
  }
  EXPECT_STREQ(RecordTypeToString(2), "System Event");
  for (int type : {0, 1, 3, 0xC0, 0xE0, 0xFF, -1}) {
    EXPECT_STREQ(RecordTypeToString(type), "OEM Timestamped") << type;
  }
}

TEST(DumpRecord, WritesTwoLowerCaseDigitsPerByte) {
  struct Case {
    std::vector<char> bytes;
    int length;
    const char* compact;
    const char* spaced;
  };
  const Case cases[] = {
      {{0x01, static_cast<char>(0xAB), 0x10}, 3, "01ab10", "01 ab 10 "},
      {{0x0A}, 1, "0a", "0a "},
      {{0x00, static_cast<char>(0xFF)}, 2, "00ff", "00 ff "},
      {{0x01}, 0, "", ""},
      {{0x01}, -3, "", ""},
  };
  for (const Case& c : cases) {
    std::stringstream compact;
    DumpRecord(compact, c.bytes.data(), c.length);
    EXPECT_EQ(compact.str(), c.compact);
    std::stringstream spaced;
    DumpRecordPretty(spaced, c.bytes.data(), c.length);
    EXPECT_EQ(spaced.str(), c.spaced);
  }
}

TEST(DumpRecord, SixteenBytesAndSeveralDumpsInOneStream) {
  std::vector<char> bytes(16);
  for (int i = 0; i < 16; ++i) {
    bytes[i] = static_cast<char>(i * 17);
  }
  std::stringstream compact;
  DumpRecord(compact, bytes.data(), 16);
  EXPECT_EQ(compact.str(), "00112233445566778899aabbccddeeff");
  std::stringstream spaced;
  DumpRecordPretty(spaced, bytes.data(), 16);
  EXPECT_EQ(spaced.str().size(), 48u);
  EXPECT_EQ(spaced.str().back(), ' ');

  // Dumps follow each other with nothing between them; the stream stays in
  // hexadecimal mode afterwards.
  std::stringstream joined;
  DumpRecord(joined, bytes.data() + 1, 1);
  DumpRecord(joined, bytes.data() + 15, 1);
  joined << 255;
  EXPECT_EQ(joined.str(), "11ffff");
}

}  // namespace
