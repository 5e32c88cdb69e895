#include <HostCtl/Misc.h>

#include <gtest/gtest.h>

#include <string>

TEST(StrCat, JoinsWithNothingBetween) {
  using HostCtl::Misc::StrCat;
  EXPECT_EQ(StrCat("Retrieve failed: ", "No BMC Device found"), "Retrieve failed: No BMC Device found");
  EXPECT_EQ(StrCat("", ""), "");
  const std::string withNul("a\0b", 3);
  EXPECT_EQ(StrCat(withNul, "c"), std::string("a\0bc", 4)) << "pieces are taken by length";
  EXPECT_EQ(StrCat(std::string_view("abcdef", 2), "x"), "abx");
}
