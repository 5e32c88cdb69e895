// The formatting engine against glibc, its deliberate differences from it,
// and what glibc cannot judge.
#include <gtest/gtest.h>
#include <limits.h>
#include <locale.h>
#include <math.h>
#include <stdarg.h>
#include <stdint.h>
#include <stdlib.h>

#include <random>
#include <string>
#include <vector>

#include "lib/string/bsd_vsnprintf.h"
#include "tests/lib/string/string_checks.h"

namespace {

using string_checks::Format;
using string_checks::Formatted;

TEST(PrintfDifferential, GeneratedConversionsAsWrittenAndPositional) {
  std::mt19937 rng(20261205);
  for (int i = 0; i < 100000; i++) {
    uint8_t bytes[40];
    for (uint8_t& b : bytes) {
      b = static_cast<uint8_t>(rng());
    }
    ASSERT_EQ("", string_checks::CheckEngineAgainstGlibc(bytes, 14 + rng() % 26)) << "case " << i;
  }
}

template <typename... A>
void ExpectAsGlibc(const char* fmt, A... args) {
  EXPECT_EQ(Format(false, 512, fmt, args...), Format(true, 512, fmt, args...)) << fmt;
}

TEST(PrintfDifferential, SeveralArgumentsByPosition) {
  ExpectAsGlibc("%2$s %1$s %2$s|%1$s:%4$*3$d|%5$.*3$f", "a", "b", 3, 7, 2.5);
  // More arguments than the built-in tables hold, of mixed types.
  ExpectAsGlibc("%12$d %11$lld %10$.1f %9$d %8$s %7$d %6$d %5$d %4$d %3$d %2$d %1$d", 1, 2, 3, 4, 5, 6, 7,
                "8", 9, 10.5, 11LL, 12);
}

template <typename... A>
void ExpectDiffers(const char* ours, const char* fmt, A... args) {
  std::string text = Format(true, 512, fmt, args...).text;
  EXPECT_EQ(ours, text) << fmt;
  EXPECT_NE(Format(false, 512, fmt, args...).text, text) << fmt << ": no longer a difference";
}

TEST(PrintfDifferential, DeliberateDifferences) {
  ExpectDiffers("1F|0", "%p|%p", reinterpret_cast<void*>(0x1f), nullptr);  // bare upper-case hexadecimal
  ExpectDiffers("y|    %", "%y|%5%");    // an unknown conversion prints itself and takes no argument
  ExpectDiffers("000ab", "%05s", "ab");  // 0 pads text too
  ExpectDiffers("1099511627776", "%I64d", 1LL << 40);         // I64, I32 and I are length modifiers
  ExpectDiffers("x|(nu", "%.2s|%.3s", "x\xc3\xa9", nullptr);  // never half a character, nor an empty null
  ExpectDiffers("nan|nan", "%f|%+e", -NAN, NAN);              // NaN never shows a sign
  ExpectDiffers("0.10000000000000001000", "%.20f", 0.1);      // 17 digits at most, then zeros
  ExpectDiffers("5.3937e+01", "%.4e", 53.9375);               // ecvt_r rounds after scaling
  ExpectDiffers("1.00000e+06", "%#g", 999999.5);              // glibc drops the zeros when rounding carries
  ExpectDiffers("inf", "%Lf", 1e300L * 1e300L);               // long double is narrowed to double
}

// The engine with explicit locale data.
std::string Core(const char* grouping, char separator, const char* point, const char* fmt, ...) {
  char buf[99];
  char* out = buf;
  va_list ap;
  va_start(ap, fmt);
  bsd_vsnprintf_core(&out, grouping, separator, point, sizeof buf, fmt, ap);
  va_end(ap);
  return buf;
}

TEST(BsdVsnprintf, LocaleDataGroupsDecimalDigitsAndSetsThePoint) {
  EXPECT_EQ("1,234,567|-1,234,567|999|0", Core("\3", ',', ".", "%'d|%'d|%'d|%'d", 1234567, -1234567, 999, 0));
  EXPECT_EQ("12,34,567", Core("\3\2", ',', ".", "%'d", 1234567));
  EXPECT_EQ("1234,567", Core("\3\x7f", ',', ".", "%'d", 1234567));
  EXPECT_EQ("1,234,567.500000|1,000.|123456",
            Core("\3", ',', ".", "%'f|%'#.0f|%'x", 1234567.5, 1000.0, 0x123456));
  EXPECT_EQ("1 234 567,50|2,5e+00", Core("\3", ' ', ",;", "%'.2f|%.1e", 1234567.5, 2.5));
  EXPECT_EQ("1234567", Core("", ',', ".", "%'d", 1234567));
}

TEST(BsdVsnprintf, ConversionsGlibcLacks) {
  EXPECT_EQ((Formatted{7, "abc|abc"}), Format(true, 99, "abc|abc%-08.3l"));  // a final '%' ends the output
  EXPECT_EQ("-2147483648|4294967295|37777777777",
            Format(true, 99, "%D|%U|%O", -2147483648L, 4294967295UL, 4294967295UL).text);
  EXPECT_EQ("4294967295|18446744073709551615", Format(true, 99, "%I32u|%Iu", -1, SIZE_MAX).text);
  EXPECT_EQ("b c a", Format(true, 99, "%2$s %s %1$s", "a", "b", "c").text);  // %s takes the third
  EXPECT_EQ(-1, Format(true, 0, "%4097$d", 1).result);
}

TEST(BsdVsnprintf, StoresTheCountThroughEachLength) {
  signed char c = 0;
  short h = 0;
  int i = 0;
  long long ll = 0;
  size_t z = 0;
  EXPECT_EQ((Formatted{9, "ab"}), Format(true, 3, "abc%hhnde%hnf%ng%lln%znhi", &c, &h, &i, &ll, &z));
  EXPECT_EQ((std::vector<long long>{3, 5, 6, 7, 7}),
            (std::vector<long long>{c, h, i, ll, static_cast<long long>(z)}));
}

TEST(BsdVsnprintf, WideTextBecomesUtf8) {
  const wchar_t text[] = L"h\u00e9\u20ac\U0001F600";  // 1 + 2 + 3 + 4 bytes
  const wchar_t bad[] = {L'a', static_cast<wchar_t>(0xD800), static_cast<wchar_t>(0x110000), L'b', 0};
  EXPECT_EQ("h\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80|h\xC3\xA9|   h|a\xEF\xBF\xBD\xEF\xBF\xBD",
            Format(true, 99, "%S|%.5ls|%4.2ls|%.7ls", text, text, text, bad).text);
  EXPECT_EQ("(null)|A|B", Format(true, 99, "%ls|%lc|%C", static_cast<wchar_t*>(nullptr), L'A', L'B').text);
  std::string saved = setlocale(LC_CTYPE, nullptr);
  ASSERT_NE(nullptr, setlocale(LC_CTYPE, "C.UTF-8"));
  EXPECT_EQ("\xC3\xA9", Format(true, 9, "%lc", static_cast<wint_t>(0xE9)).text);
  EXPECT_EQ((std::vector<wint_t>{'a', 0, WEOF, WEOF}),
            (std::vector<wint_t>{bsd_btowc('a'), bsd_btowc(0), bsd_btowc(0xC3), bsd_btowc(EOF)}));
  setlocale(LC_CTYPE, saved.c_str());
}

TEST(BsdVsnprintf, ResultsPastTheLargestIntFail) {
  EXPECT_EQ(INT_MAX, Format(true, 8, "%2147483647d", 1).result);
  EXPECT_EQ(-1, Format(true, 8, "%2147483648d", 1).result);
  EXPECT_EQ((Formatted{-1, "       "}), Format(true, 8, "%*d%d", INT_MAX, 1, 2));  // the '*' width was taken
  EXPECT_EQ(-1, Format(true, 8, "ab%*d", INT_MIN, 1).result);  // the width's magnitude does not fit
}

TEST(BsdVsnprintf, DtoaDigits) {
  int decpt = 0;
  int sign = 0;
  char* rve = nullptr;
  long double quarter = -0.25L;
  char* digits = ldtoa(&quarter, 3, 3, &decpt, &sign, &rve);
  EXPECT_EQ((std::vector<long>{250, 0, 1, 2}), (std::vector<long>{atol(digits), decpt, sign, rve - digits}));
  freedtoa(digits);
  digits = dtoa(1234.5, 2, 3, &decpt, &sign, &rve);
  EXPECT_EQ((std::vector<long>{123, 4, 0, 3}), (std::vector<long>{atol(digits), decpt, sign, rve - digits}));
  freedtoa(digits);
}

}  // namespace
