// Str_ copies, search and formatting (truncation: CheckSnprintfTruncation).
#include "lib/string/str.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <wchar.h>

#include <string>

namespace {

TEST(StrSnprintf, FailuresAndCutsOfIllFormedText) {
  char buf[8];
  EXPECT_EQ(-1, Str_Snprintf(nullptr, 0, "x"));
  EXPECT_EQ(-1, Str_Snprintf(buf, sizeof buf, "ab%lc", static_cast<wint_t>(0xE9)));  // not in the C locale
  EXPECT_STREQ("ab", buf);
  // Stray continuation bytes after ASCII stay, a lead byte without its
  // continuation bytes goes.
  struct {
    const char* text;
    size_t size;
    const char* kept;
  } cases[] = {{"abc\x80\x80\x80", 6, "abc\x80\x80"}, {"\x80\x80\x80\x80", 3, ""}, {"ab\xFF\x80z", 5, "ab"}};
  for (const auto& c : cases) {
    EXPECT_EQ(-1, Str_Snprintf(buf, c.size, "%s", c.text));
    EXPECT_STREQ(c.kept, buf);
  }
}

TEST(StrCopy, CopiesAndAppendsWhatFits) {
  char buf[8];
  EXPECT_EQ(7, Str_Sprintf(buf, sizeof buf, "%d-%s", 42, "abcd"));  // exactly fills buf
  EXPECT_EQ(4, Str_Sprintf_C_Locale(buf, 5, "%.2f", 1.5));
  EXPECT_STREQ("abcdefg", Str_Strcpy(buf, "abcdefg", sizeof buf));
  EXPECT_STREQ("xyz", Str_Strncpy(buf, 6, "xyzzy-long", 3));
  EXPECT_STREQ("ab", Str_Strncpy(buf, 3, "ab", 100));      // n past the NUL
  EXPECT_STREQ("abcde", Str_Strncat(buf, 6, "cde", 100));  // the limit reaches the end, the text not
  buf[2] = '\0';
  EXPECT_STREQ("abcd", Str_Strncat(buf, 5, "cdefg", 2));  // the text reaches the end, the limit not
  EXPECT_STREQ("abcdefg", Str_Strcat(buf, "efg", sizeof buf));
}

std::string TooSmall(int line) {
  return "^lib/string/str:" + std::to_string(line) + " Buffer too small\n$";
}

TEST(StrDeathTest, OverflowsAreFatal) {
  char buf[6] = "abc";
  EXPECT_DEATH(Str_Sprintf(buf, 4, "%s", "abcd"), TooSmall(214));
  EXPECT_DEATH(Str_Sprintf_C_Locale(buf, 5, "%d", 12345), TooSmall(177));
  EXPECT_DEATH(Str_Strcpy(buf, "abcdef", sizeof buf), TooSmall(284));
  EXPECT_DEATH(Str_Strncpy(buf, sizeof buf, "abcdefgh", 6), TooSmall(322));
  EXPECT_DEATH(Str_Strcat(buf, "def", sizeof buf), TooSmall(444));
  EXPECT_DEATH(Str_Strncat(buf, sizeof buf, "def", 3), TooSmall(498));
  EXPECT_DEATH(Str_SafeAsprintf(nullptr, "%lc", static_cast<wint_t>(0xE9)), "^VERIFY lib/string/str:657\n$");
}

TEST(StrSearch, BoundedSearchAndCase) {
  const char* text = "aabcdef";
  EXPECT_EQ(nullptr, Str_Strnstr(text, "cd", 4));
  EXPECT_EQ(text + 3, Str_Strnstr(text, "cd", 5));
  EXPECT_EQ(text + 1, Str_Strnstr(text, "ab", 7));
  EXPECT_EQ(text, Str_Strnstr(text, "", 0));
  char letters[] = "@AZ[`az{\xC3\x89";
  EXPECT_STREQ("@az[`az{\xC3\x89", Str_ToLower(letters));
  EXPECT_STREQ("@AZ[`AZ{\xC3\x89", Str_ToUpper(letters));
}

TEST(StrAsprintf, AllocatesTheWholeTextOrReturnsNull) {
  size_t length = 0;
  std::string big(5000, 'x');
  char* text = Str_Asprintf(&length, "[%s]", big.c_str());
  EXPECT_EQ("[" + big + "]", text);
  EXPECT_EQ(5002u, length);
  free(text);
  text = Str_SafeAsprintf(nullptr, "%s", "");
  EXPECT_STREQ("", text);
  free(text);
  EXPECT_EQ(nullptr, Str_Asprintf(&length, "%lc", static_cast<wint_t>(0xE9)));
}

}  // namespace
