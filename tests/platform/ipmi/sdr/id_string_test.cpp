#include "sdr/sdr_record.h"

#include <gtest/gtest.h>

#include <vector>

namespace marlek {
namespace {

struct IdCase {
  const char* name;
  std::uint8_t typeLength;
  std::vector<std::uint8_t> bytes;
  std::string expected;
};

TEST(DecodeIdString, EveryEncoding) {
  const IdCase cases[] = {
      {"ascii", 0xc6, {'C', 'P', 'U', '_', '0', ' '}, "CPU_0 "},
      {"ascii stops at NUL padding", 0xc8, {'F', 'a', 'n', '1', 0, 0, 0, 0}, "Fan1"},
      {"latin-1 becomes UTF-8", 0xc3, {'T', 0xe9, 0xff}, "T\xc3\xa9\xc3\xbf"},
      {"length zero", 0xc0, {'x'}, ""},
      // "IPMI" packed: I=0x29 P=0x30 M=0x2d I=0x29 (each minus 0x20).
      {"six-bit packed", 0x83, {0x29, 0xdc, 0xa6}, "IPMI"},
      // Two bytes hold two whole 6-bit characters.
      {"six-bit partial group", 0x82, {0x29, 0x0c}, "IP"},
      {"bcd plus", 0x43, {0x12, 0xab, 0xcf}, "12 -._"},
      {"bcd plus separators", 0x42, {0x9d, 0xe0}, "9:,0"},
      {"binary as hex", 0x03, {0x00, 0x7f, 0xa5}, "007fa5"},
  };
  for (const IdCase& c : cases)
    EXPECT_EQ(DecodeIdString(c.typeLength, c.bytes.data(), c.bytes.size()), c.expected) << c.name;
}

TEST(DecodeIdString, NeverReadsPastWhatIsAvailable) {
  const std::vector<std::uint8_t> three = {'A', 'B', 'C'};
  // The type/length byte claims 16 bytes; only three exist.
  EXPECT_EQ(DecodeIdString(0xd0, three.data(), three.size()), "ABC");
  EXPECT_EQ(DecodeIdString(0x90, three.data(), 2), "!)");
  EXPECT_EQ(DecodeIdString(0xc5, nullptr, 5), "");
}

}  // namespace
}  // namespace marlek
