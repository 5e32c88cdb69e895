// Bounded copies, concatenation and the Str_ formatting wrappers.
#include "lib/string/str.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <string.h>

#include <string>

namespace {

// Death-test pattern for a Panic message, matched whole.
std::string Whole(const std::string& message) {
  std::string pattern = "^";
  for (char c : message) {
    if (strchr(".^$*+?()[]{}|\\", c) != nullptr) {
      pattern += '\\';
    }
    pattern += c;
  }
  return pattern + "$";
}

std::string TooSmall(int line) {
  return Whole("lib/string/str:" + std::to_string(line) + " Buffer too small\n");
}

// --- Str_Snprintf / Str_Vsnprintf ----------------------------------------

TEST(StrSnprintf, FormatsWhatFits) {
  char buf[64];
  EXPECT_EQ(15, Str_Snprintf(buf, sizeof buf, "%u (%s)", 2u, "Information"));
  EXPECT_STREQ("2 (Information)", buf);
  EXPECT_EQ(5, Str_Snprintf(buf, 6, "%s", "abcde"));  // exactly fills the buffer
  EXPECT_STREQ("abcde", buf);
}

TEST(StrSnprintf, TruncationReturnsMinusOneAndKeepsThePrefix) {
  char buf[8] = "zzzzzzz";
  EXPECT_EQ(-1, Str_Snprintf(buf, 4, "abcdef"));
  EXPECT_STREQ("abc", buf);
  EXPECT_EQ(-1, Str_Snprintf(buf, 6, "%s", "abcdef"));
  EXPECT_STREQ("abcde", buf);
  EXPECT_EQ(-1, Str_Snprintf(buf, 1, "abcdef"));
  EXPECT_STREQ("", buf);
}

TEST(StrSnprintf, SizeZeroWritesNothing) {
  char buf[4] = "xyz";
  EXPECT_EQ(-1, Str_Snprintf(buf, 0, "abcdef"));
  EXPECT_STREQ("xyz", buf);
  EXPECT_EQ(-1, Str_Snprintf(nullptr, 0, "abcdef"));
  EXPECT_EQ(-1, Str_Snprintf(buf, 0, "%s", ""));  // even an empty result does not fit in 0 bytes
}

TEST(StrSnprintf, FormattingFailureIsMinusOne) {
  char buf[16];
  // %lc of a non-ASCII character cannot be converted in the C locale.
  EXPECT_EQ(-1, Str_Snprintf(buf, sizeof buf, "ab%lc", static_cast<wint_t>(0xE9)));
  EXPECT_STREQ("ab", buf);
}

struct CutCase {
  const char* text;
  size_t size;
  const char* kept;
};

// The cut never leaves an incomplete UTF-8 sequence at the end.
TEST(StrSnprintf, TruncationNeverSplitsAUtf8Character) {
  const CutCase cases[] = {
      {"ab\xC3\xA9", 4, "ab"},                 // 2-byte character, one byte fits
      {"ab\xC3\xA9", 5, "ab\xC3\xA9"},         // it fits whole (no truncation)
      {"ab\xC3\xA9z", 5, "ab\xC3\xA9"},        // whole, then cut before z
      {"a\xE2\x82\xAC", 3, "a"},               // 3-byte, 1 of 3 fits
      {"a\xE2\x82\xAC", 4, "a"},               // 2 of 3 fit
      {"a\xE2\x82\xACz", 5, "a\xE2\x82\xAC"},  // complete
      {"\xF0\x9F\x98\x80", 4, ""},             // 3 of 4 fit, cut at index 0
      {"\xF0\x9F\x98\x80xy", 6, "\xF0\x9F\x98\x80x"},
      {"abc\x80\x80\x80", 6, "abc\x80\x80"},  // stray continuations after ASCII stay
      {"\x80\x80\x80\x80", 3, ""},            // only continuations: cut at 0
      {"ab\xFF\x80z", 5, "ab"},               // not a lead byte of 2
      {"xy\xC3", 4, "xy\xC3"},                // not truncated: kept as formatted
  };
  for (const CutCase& c : cases) {
    SCOPED_TRACE(std::string(c.text) + " size " + std::to_string(c.size));
    char buf[16];
    memset(buf, 'Q', sizeof buf);
    int result = Str_Snprintf(buf, c.size, "%s", c.text);
    EXPECT_STREQ(c.kept, buf);
    bool fits = strlen(c.text) < c.size;
    EXPECT_EQ(fits ? static_cast<int>(strlen(c.text)) : -1, result);
  }
}

// --- Str_Sprintf, Str_Sprintf_C_Locale --------------------------------------

TEST(StrSprintf, ReturnsTheLength) {
  char buf[16];
  EXPECT_EQ(7, Str_Sprintf(buf, sizeof buf, "%d-%s", 42, "abcd"));
  EXPECT_STREQ("42-abcd", buf);
  EXPECT_EQ(7, Str_Sprintf_C_Locale(buf, sizeof buf, "%'d", 1234567));
  EXPECT_STREQ("1234567", buf);  // the C-locale entry never groups
  EXPECT_EQ(4, Str_Sprintf_C_Locale(buf, sizeof buf, "%.2f", 1.5));
  EXPECT_STREQ("1.50", buf);
}

TEST(StrSprintfDeathTest, OverflowIsFatal) {
  char buf[4];
  EXPECT_DEATH(Str_Sprintf(buf, sizeof buf, "%s", "abcd"), TooSmall(214));
  EXPECT_DEATH(Str_Sprintf(buf, 0, "x"), TooSmall(214));
  EXPECT_DEATH(Str_Sprintf_C_Locale(buf, sizeof buf, "%d", 12345), TooSmall(177));
}

// --- Copies and concatenation -------------------------------------------

TEST(StrCopy, CopiesWhatFits) {
  char buf[6];
  EXPECT_EQ(buf, Str_Strcpy(buf, "abcde", sizeof buf));
  EXPECT_STREQ("abcde", buf);
  EXPECT_EQ(buf, Str_Strncpy(buf, sizeof buf, "xyzzy-long", 3));
  EXPECT_STREQ("xyz", buf);
  EXPECT_EQ(buf, Str_Strncpy(buf, sizeof buf, "ab", 100));  // n past the NUL
  EXPECT_STREQ("ab", buf);
  const char unterminated[3] = {'p', 'q', 'r'};
  EXPECT_STREQ("pqr", Str_Strncpy(buf, sizeof buf, unterminated, sizeof unterminated));
}

TEST(StrCopyDeathTest, OverflowIsFatal) {
  char buf[5];
  EXPECT_DEATH(Str_Strcpy(buf, "abcde", sizeof buf), TooSmall(284));
  EXPECT_DEATH(Str_Strcpy(buf, "", 0), TooSmall(284));
  EXPECT_DEATH(Str_Strncpy(buf, sizeof buf, "abcdefgh", 5), TooSmall(322));
}

TEST(StrConcat, AppendsWhatFits) {
  char buf[8] = "abc";
  EXPECT_EQ(buf, Str_Strcat(buf, "defg", sizeof buf));
  EXPECT_STREQ("abcdefg", buf);

  struct NcatCase {
    const char* start;
    const char* src;
    size_t n;
    const char* result;
  };
  const NcatCase cases[] = {
      {"abc", "de", 100, "abcde"},   // the limit reaches the end, the text does not
      {"abc", "defgh", 2, "abcde"},  // the text reaches the end, the limit does not
      {"", "abcde", 5, "abcde"},
      {"abc", "", 10, "abc"},
  };
  for (const NcatCase& c : cases) {
    char six[6];
    strcpy(six, c.start);
    EXPECT_STREQ(c.result, Str_Strncat(six, sizeof six, c.src, c.n)) << c.start << "+" << c.src;
  }
}

TEST(StrConcatDeathTest, OverflowIsFatal) {
  char buf[6] = "abc";
  EXPECT_DEATH(Str_Strcat(buf, "def", sizeof buf), TooSmall(444));
  EXPECT_DEATH(Str_Strncat(buf, sizeof buf, "def", 3), TooSmall(498));
  EXPECT_DEATH(Str_Strncat(buf, sizeof buf, "defgh", 100), TooSmall(498));
  char full[3] = {'x', 'y', 'z'};  // no NUL within the size
  EXPECT_DEATH(Str_Strncat(full, sizeof full, "", 0), TooSmall(498));
  EXPECT_DEATH(Str_Strcat(full, "", sizeof full), TooSmall(444));
}

// --- Searching and case ---------------------------------------------------

TEST(StrSearch, StrlenStopsAtTheLimit) {
  EXPECT_EQ(3u, Str_Strlen("abc", 10));
  EXPECT_EQ(2u, Str_Strlen("abc", 2));
  EXPECT_EQ(0u, Str_Strlen("abc", 0));
  EXPECT_EQ(0u, Str_Strlen("", 5));
}

TEST(StrSearch, StrnstrFindsOnlyWithinTheLimit) {
  const char* text = "abcdef";
  EXPECT_EQ(nullptr, Str_Strnstr(text, "cd", 3));
  EXPECT_EQ(text + 2, Str_Strnstr(text, "cd", 4));
  EXPECT_EQ(text, Str_Strnstr(text, "", 0));
  EXPECT_EQ(text + 4, Str_Strnstr(text, "ef", 100));  // the NUL ends the search
  EXPECT_EQ(nullptr, Str_Strnstr(text, "efg", 100));
  EXPECT_EQ(nullptr, Str_Strnstr("ab\0cd", "cd", 5));
  const char* repeated = "aabab";
  EXPECT_EQ(repeated + 1, Str_Strnstr(repeated, "ab", 5));
}

TEST(StrCase, MapsAsciiLettersOnly) {
  char text[] = "Hello, W\xC3\x89rld-09_az";
  EXPECT_STREQ("hello, w\xC3\x89rld-09_az", Str_ToLower(text));
  EXPECT_STREQ("HELLO, W\xC3\x89RLD-09_AZ", Str_ToUpper(text));
}

// --- Allocating forms -------------------------------------------------------

TEST(StrAsprintf, AllocatesTheWholeText) {
  size_t length = 0;
  char* text = Str_Asprintf(&length, "%s=%05d", "key", 42);
  ASSERT_NE(nullptr, text);
  EXPECT_STREQ("key=00042", text);
  EXPECT_EQ(9u, length);
  free(text);

  std::string big(5000, 'x');
  text = Str_Asprintf(nullptr, "[%s]", big.c_str());
  ASSERT_NE(nullptr, text);
  EXPECT_EQ("[" + big + "]", text);
  free(text);

  text = Str_SafeAsprintf(&length, "%s", "");
  ASSERT_NE(nullptr, text);
  EXPECT_EQ(0u, length);
  free(text);
}

TEST(StrAsprintf, FailureIsNullOrFatal) {
  size_t length = 77;
  EXPECT_EQ(nullptr, Str_Asprintf(&length, "%lc", static_cast<wint_t>(0xE9)));
  EXPECT_EQ(77u, length);
  EXPECT_DEATH(Str_SafeAsprintf(&length, "%lc", static_cast<wint_t>(0xE9)),
               Whole("VERIFY lib/string/str:657\n"));
}

}  // namespace
