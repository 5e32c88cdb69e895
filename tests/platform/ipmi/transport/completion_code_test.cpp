#include "transport/completion_code.h"

#include <gtest/gtest.h>

namespace marlek {
namespace {

TEST(CompletionCodeTest, TextsFollowTheGenericTableAndItsRanges) {
  struct Case {
    std::uint8_t code;
    const char* text;
  };
  const Case cases[] = {
      {0x00, "Command Completed Normally"},
      {0xc0, "Node Busy"},
      {0xc1, "Invalid Command"},
      {0xc5, "Reservation Canceled or Invalid Reservation ID"},
      {0xca, "Cannot return number of requested data bytes"},
      {0xcb, "Requested Sensor, data, or record not present"},
      {0xd4, "Cannot execute command due to insufficient privilege level"},
      {0xd6,
       "Cannot execute command. Parameter is illegal because command sub-function has been disabled or is "
       "unavailable"},
      {0xff, "Unspecified error"},
      {0x01, "Device specific (OEM) completion code"},
      {0x7e, "Device specific (OEM) completion code"},
      {0x80, "Command specific completion code"},
      {0xbe, "Command specific completion code"},
      {0x7f, "Reserved completion code"},
      {0xbf, "Reserved completion code"},
      {0xd7, "Reserved completion code"},
      {0xfe, "Reserved completion code"},
  };
  for (const Case& c : cases)
    EXPECT_STREQ(CompletionCodeText(c.code), c.text) << std::hex << int(c.code);
}

TEST(CompletionCodeTest, DescriptionCarriesCodeAndMeaning) {
  EXPECT_EQ(DescribeCompletionCode(0xc1), "0xc1 (Invalid Command)");
  EXPECT_EQ(DescribeCompletionCode(0x00), "0x00 (Command Completed Normally)");
  EXPECT_EQ(DescribeCompletionCode(0x81), "0x81 (Command specific completion code)");
}

}  // namespace
}  // namespace marlek
