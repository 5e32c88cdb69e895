// Bounded copies, concatenation and the Str_ formatting wrappers.
#include "lib/string/str.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(StrSnprintf, FormatsWhatFits) {
  char buf[64];
  EXPECT_EQ(15, Str_Snprintf(buf, sizeof buf, "%u (%s)", 2u, "Information"));
  EXPECT_STREQ("2 (Information)", buf);
}

TEST(StrSnprintf, TruncationReturnsMinusOne) {
  char buf[8] = "zzzzzzz";
  EXPECT_EQ(-1, Str_Snprintf(buf, 4, "abcdef"));
  EXPECT_STREQ("abc", buf);
  EXPECT_EQ(-1, Str_Snprintf(buf, 0, "abcdef"));
  EXPECT_STREQ("abc", buf);  // untouched
  EXPECT_EQ(-1, Str_Snprintf(nullptr, 0, "abcdef"));
}

}  // namespace
