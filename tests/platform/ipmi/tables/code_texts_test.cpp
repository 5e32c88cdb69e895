// The texts made of codes: where each name table ends, and what is said of
// codes no table names.

#include "fru/fru_part.h"
#include "tables/command_names.h"
#include "tables/event_tables.h"
#include "transport/lan/rakp_handshake.h"
#include "wire/completion_code.h"
#include "wire/hex_text.h"

#include <gtest/gtest.h>

namespace marlek {
namespace {

TEST(CodeTextsTest, NameTablesEndWhereTheStandardDoes) {
  EXPECT_EQ(SensorTypeName(0x00), nullptr);  // reserved
  EXPECT_STREQ(SensorTypeName(0x2c), "FRU State");
  EXPECT_EQ(SensorTypeName(0x2d), nullptr);
  EXPECT_STREQ(UnitName(92), "grams");
  EXPECT_EQ(UnitName(93), nullptr);
  EXPECT_EQ(fru::ChassisTypeName(0x24), "Stick PC");
  EXPECT_EQ(fru::ChassisTypeName(0x25), "Unknown (0x25)");
  EXPECT_STREQ(RmcpPlusStatusText(0x12), "Illegal or Unrecognized parameter");
  EXPECT_STREQ(RmcpPlusStatusText(0x13), "Reserved status code");
}

TEST(CodeTextsTest, CommandsAreNamedByRequestOrResponseNetFn) {
  EXPECT_EQ(CommandName(0x0a, 0x43), "Get SEL Entry");
  EXPECT_EQ(CommandName(0x0b, 0x43), "Get SEL Entry");
  EXPECT_EQ(CommandName(0x0a, 0x99), "netfn 0x0a command 0x99");
  EXPECT_EQ(CommandName(0x07, 0x43), "netfn 0x06 command 0x43");
}

TEST(CodeTextsTest, CompletionCodesOutsideTheTableByRange) {
  const std::pair<std::uint8_t, const char*> cases[] = {
      {0x00, "0x00 (Command Completed Normally)"},
      {0x01, "0x01 (Device specific (OEM) completion code)"},
      {0x7e, "0x7e (Device specific (OEM) completion code)"},
      {0x7f, "0x7f (Reserved completion code)"},
      {0x80, "0x80 (Command specific completion code)"},
      {0xbe, "0xbe (Command specific completion code)"},
      {0xbf, "0xbf (Reserved completion code)"},
      {0xc5, "0xc5 (Reservation Canceled or Invalid Reservation ID)"},
      {0xd7, "0xd7 (Reserved completion code)"},
      {0xff, "0xff (Unspecified error)"},
  };
  for (const auto& [code, text] : cases)
    EXPECT_EQ(DescribeCompletionCode(code), text);
}

TEST(CodeTextsTest, HexDigitsAreAtLeastTheWidthAsked) {
  const std::tuple<std::uint32_t, int, const char*> cases[] = {
      {0xc1, 2, "c1"}, {0x11, 4, "0011"}, {0x123, 2, "123"},
      {0, 2, "00"},    {0, 0, "0"},       {0xdeadbeef, 1, "deadbeef"},
  };
  for (const auto& [value, width, text] : cases)
    EXPECT_EQ(HexDigits(value, width), text) << value;
  EXPECT_EQ(Hex(0x5), "0x05");
}

}  // namespace
}  // namespace marlek
