// The formatting engine: conversions and flags beyond what glibc agrees on,
// the locale data, allocation mode, positional arguments, wide text, %n,
// the -1 results, and the digit glue.
#include "lib/string/bsd_vsnprintf.h"

#include <gtest/gtest.h>
#include <locale.h>
#include <math.h>
#include <stdarg.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <climits>
#include <random>
#include <string>

#include "lib/string/bsd_fmt_internal.h"

namespace {

struct Formatted {
  int result;
  std::string text;
};

// The engine into a fixed buffer of `size` bytes, with explicit locale data.
Formatted CoreV(const char* grouping, char separator, const char* point, size_t size, const char* fmt,
                va_list ap) {
  char buf[4096];
  memset(buf, 'Q', sizeof buf);
  char* out = buf;
  int result = bsd_vsnprintf_core(&out, grouping, separator, point, size, fmt, ap);
  return {result, size == 0 ? std::string() : std::string(buf)};
}

Formatted Core(const char* grouping, char separator, const char* point, const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  Formatted f = CoreV(grouping, separator, point, 4096, fmt, ap);
  va_end(ap);
  return f;
}

Formatted CLocale(const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  Formatted f = CoreV(nullptr, ',', ".", 4096, fmt, ap);
  va_end(ap);
  return f;
}

Formatted Sized(size_t size, const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  Formatted f = CoreV(nullptr, ',', ".", size, fmt, ap);
  va_end(ap);
  return f;
}

int IntoBuffer(char* buf, size_t size, const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  int result = bsd_vsnprintf_c_locale(&buf, size, fmt, ap);
  va_end(ap);
  return result;
}

// The engine in allocation mode; the text is freed here.
Formatted Allocated(const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  char* out = nullptr;
  int result = bsd_vsnprintf_c_locale(&out, 0, fmt, ap);
  va_end(ap);
  Formatted f{result, out == nullptr ? "<null>" : out};
  if (result >= 0) {
    EXPECT_EQ(strlen(out), static_cast<size_t>(result));
  }
  free(out);
  return f;
}

#define EXPECT_FORMAT(expected, call)                         \
  do {                                                        \
    Formatted f_ = (call);                                    \
    EXPECT_EQ(std::string(expected), f_.text);                \
    EXPECT_EQ(static_cast<int>(strlen(expected)), f_.result); \
  } while (0)

TEST(BsdVsnprintf, ConversionsOfTheBsdFamily) {
  EXPECT_FORMAT("(null)", CLocale("%s", static_cast<char*>(nullptr)));
  EXPECT_FORMAT("(", CLocale("%.1s", static_cast<char*>(nullptr)));
  EXPECT_FORMAT("1F", CLocale("%p", reinterpret_cast<void*>(0x1f)));
  EXPECT_FORMAT("FFFFFFFFFFFFFFFF", CLocale("%p", reinterpret_cast<void*>(UINTPTR_MAX)));
  EXPECT_FORMAT("   1F|1F   ",
                CLocale("%5p|%-#5p", reinterpret_cast<void*>(0x1f), reinterpret_cast<void*>(0x1f)));
  EXPECT_FORMAT("%", CLocale("%%"));
  EXPECT_FORMAT("y5", CLocale("%y%d", 5));
  EXPECT_FORMAT("  y|", CLocale("%3y|"));
  EXPECT_FORMAT("abc", CLocale("abc%"));
  EXPECT_FORMAT("abc", CLocale("abc%-08.3l"));
  EXPECT_FORMAT("0", CLocale("%#x", 0));
  EXPECT_FORMAT("0xff", CLocale("%#x", 255));
  EXPECT_FORMAT("0XFF", CLocale("%#X", 255));
  EXPECT_FORMAT("010|0|00", CLocale("%#o|%#o|%#.2o", 8, 0, 0));
  EXPECT_FORMAT("-2147483648|4294967295|37777777777",
                CLocale("%D|%U|%O", -2147483648L, 4294967295UL, 4294967295UL));
  EXPECT_FORMAT("0001|000ab|ab   ", CLocale("%04c|%05s|%-05s", '1', "ab", "ab"));
}

TEST(BsdVsnprintf, LengthModifiers) {
  EXPECT_FORMAT("-1|255|-1|65535", CLocale("%hhd|%hhu|%hd|%hu", 255, 255, 65535, 65535));
  EXPECT_FORMAT("4294967296|4294967296|4294967296",
                CLocale("%I64d|%qd|%Ld", 1LL << 32, 1LL << 32, 1LL << 32));
  EXPECT_FORMAT("-1|4294967295", CLocale("%I32d|%I32u", -1, -1));
  EXPECT_FORMAT("18446744073709551615|18446744073709551615",
                CLocale("%Iu|%Zu", static_cast<size_t>(-1), static_cast<size_t>(-1)));
  EXPECT_FORMAT("-9223372036854775808|9223372036854775807",
                CLocale("%jd|%td", static_cast<intmax_t>(LLONG_MIN), static_cast<ptrdiff_t>(LLONG_MAX)));
  EXPECT_FORMAT("1.500000|2.5|3.500000e+00", CLocale("%Lf|%llg|%qe", 1.5L, 2.5L, 3.5L));
}

TEST(BsdVsnprintf, FloatingPoint) {
  EXPECT_FORMAT("1.50", CLocale("%.2f", 1.5));
  EXPECT_FORMAT("-inf|-INF|inf|INF", CLocale("%f|%F|%e|%G", -INFINITY, -INFINITY, INFINITY, INFINITY));
  EXPECT_FORMAT("+inf| inf|  -inf|inf  ",
                CLocale("%+f|% e|%06f|%-5g", INFINITY, INFINITY, -INFINITY, INFINITY));
  EXPECT_FORMAT("nan|NAN|  nan", CLocale("%f|%E|%+5g", NAN, -NAN, NAN));
  EXPECT_FORMAT("1.000000e+100|1E-100", CLocale("%e|%G", 1e100, 1e-100));
  EXPECT_FORMAT("100000|1e+06|0.0001|1e-05", CLocale("%g|%g|%g|%g", 100000.0, 1e6, 1e-4, 1e-5));
  EXPECT_FORMAT("1.50000|2.|1.e+00|0.0", CLocale("%#g|%#.0f|%#.0e|%#.2g", 1.5, 2.0, 1.0, 0.0));
  EXPECT_FORMAT("2|0.5|1e+01", CLocale("%.0g|%.0g|%.0g", 2.0, 0.5, 9.5));
  EXPECT_FORMAT("-0.000000|-0", CLocale("%f|%g", -0.0, -0.0));
  EXPECT_FORMAT("0.10000000000000001000", CLocale("%.20f", 0.1));
  // The 0 flag pads after the sign; padding wider than the 16-byte tables.
  EXPECT_FORMAT(("-" + std::string(35, '0') + "1.50").c_str(), CLocale("%040.2f", -1.5));
  EXPECT_FORMAT("1.5000000000000000000000000000000000000000000000000000000000", CLocale("%.58f", 1.5));
}

TEST(BsdVsnprintf, LocaleDataGroupsAndPoints) {
  EXPECT_FORMAT("1,234,567|-1,234,567|999|0",
                Core("\3", ',', ".", "%'d|%'d|%'d|%'d", 1234567, -1234567, 999, 0));
  EXPECT_FORMAT("12,34,567", Core("\3\2", ',', ".", "%'d", 1234567));
  EXPECT_FORMAT("1234,567", Core("\3\x7f", ',', ".", "%'d", 1234567));
  EXPECT_FORMAT("18.446.744.073.709.551.615", Core("\3", '.', ",", "%'lu", ULONG_MAX));
  EXPECT_FORMAT("1,234,567.500000|1,000.|12",
                Core("\3", ',', ".", "%'f|%'#.0f|%'g", 1234567.5, 1000.0, 12.0));
  EXPECT_FORMAT("1 234 567,50", Core("\3", ' ', ",", "%'.2f", 1234567.5));
  EXPECT_FORMAT("1,50|2,5e+00", Core(nullptr, ',', ",;", "%.2f|%.1e", 1.5, 2.5));  // first character only
  EXPECT_FORMAT("ff|777", Core("\3", ',', ".", "%'x|%'o", 255, 511));              // decimal only
  EXPECT_FORMAT("1234567", Core("", ',', ".", "%'d", 1234567));                    // no groups: no grouping
  EXPECT_FORMAT("1234567", CLocale("%'d", 1234567));
}

TEST(BsdVsnprintf, FixedBufferStoresWhatFitsAndCountsAll) {
  Formatted f = Sized(4, "abcdef");
  EXPECT_EQ(6, f.result);
  EXPECT_EQ("abc", f.text);
  f = Sized(1, "%d", 12345);
  EXPECT_EQ(5, f.result);
  EXPECT_EQ("", f.text);
  char untouched[4] = "xyz";
  EXPECT_EQ(3, IntoBuffer(untouched, 0, "%s", "abc"));
  EXPECT_STREQ("xyz", untouched);  // size 0 stores nothing, not even a NUL
  EXPECT_EQ(3, IntoBuffer(untouched, 3, "%s", "abc"));
  EXPECT_STREQ("ab", untouched);
}

TEST(BsdVsnprintf, AllocationModeGrowsToAnyLength) {
  EXPECT_FORMAT("", Allocated(""));
  for (int width : {1, 62, 63, 64, 65, 127, 128, 129, 1000, 70000}) {
    Formatted f = Allocated("<%*d>", width, 7);
    ASSERT_EQ(width + 2, f.result);
    EXPECT_EQ("<" + std::string(static_cast<size_t>(width - 1), ' ') + "7>", f.text);
  }
  std::string longFormat(300, 'f');
  EXPECT_FORMAT(longFormat.c_str(), Allocated(longFormat.c_str()));
}

TEST(BsdVsnprintf, StoresTheCountThroughEachWidth) {
  signed char c = 0;
  short h = 0;
  int i = 0;
  long l = 0;
  long long ll = 0;
  intmax_t j = 0;
  size_t z = 0;
  ptrdiff_t t = 0;
  Formatted f = Sized(3, "abc%hhnde%hnf%ng%ln%lln%jn%zn%tnhi", &c, &h, &i, &l, &ll, &j, &z, &t);
  EXPECT_EQ(9, f.result);
  EXPECT_EQ("ab", f.text);
  EXPECT_EQ(3, c);
  EXPECT_EQ(5, h);
  EXPECT_EQ(6, i);  // counts bytes dropped as well
  EXPECT_EQ(7, l);
  EXPECT_EQ(7, ll);
  EXPECT_EQ(7, j);
  EXPECT_EQ(7u, z);
  EXPECT_EQ(7, t);
}

TEST(BsdVsnprintf, PositionalArguments) {
  EXPECT_FORMAT("b a b", CLocale("%2$s %1$s %2$s", "a", "b"));
  EXPECT_FORMAT("  042|3.1", CLocale("%3$*1$.*2$d|%4$.1f", 5, 3, 42, 3.14159));
  // More arguments than the built-in tables hold, of mixed types.
  EXPECT_FORMAT("12 11 10.5 9 8 7 6 5 4 3 2 1",
                CLocale("%12$d %11$lld %10$.1f %9$d %8$s %7$d %6$d %5$d %4$d %3$d %2$d %1$d", 1, 2, 3, 4, 5,
                        6, 7, "8", 9, 10.5, 11LL, 12));
  // Conversions without a position go on after the last one named.
  EXPECT_FORMAT("b c a", CLocale("%2$s %s %1$s", "a", "b", "c"));
  EXPECT_FORMAT("x:  7", CLocale("%1$s:%3$*2$d", "x", 3, 7));
  EXPECT_EQ(-1, CLocale("%4097$d", 1).result);
  EXPECT_EQ(-1, CLocale("%d %99999$d", 1).result);
}

TEST(BsdVsnprintf, WideText) {
  const wchar_t text[] = L"h\u00e9\u20ac\U0001F600";  // 1 + 2 + 3 + 4 bytes in UTF-8
  EXPECT_FORMAT("h\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", CLocale("%ls", text));
  EXPECT_FORMAT("h\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80", CLocale("%S", text));
  EXPECT_FORMAT("h\xC3\xA9", CLocale("%.5ls", text));  // the euro sign would need 6
  EXPECT_FORMAT("   h", CLocale("%4.2ls", text));
  EXPECT_FORMAT("(null)|(n",
                CLocale("%ls|%.2S", static_cast<wchar_t*>(nullptr), static_cast<wchar_t*>(nullptr)));
  const wchar_t bad[] = {L'a', static_cast<wchar_t>(0xD800), static_cast<wchar_t>(0x110000), L'b', 0};
  EXPECT_FORMAT(
      "a\xEF\xBF\xBD\xEF\xBF\xBD"
      "b",
      CLocale("%ls", bad));
  EXPECT_FORMAT("A|B", CLocale("%lc|%C", static_cast<wint_t>('A'), static_cast<wint_t>('B')));
  EXPECT_EQ(-1, CLocale("%lc", static_cast<wint_t>(0xE9)).result);  // not in the C locale

  const char* previous = setlocale(LC_CTYPE, nullptr);
  std::string saved = previous != nullptr ? previous : "C";
  if (setlocale(LC_CTYPE, "C.UTF-8") != nullptr) {
    EXPECT_FORMAT("\xC3\xA9", CLocale("%lc", static_cast<wint_t>(0xE9)));
    EXPECT_EQ(static_cast<wint_t>('a'), bsd_btowc('a'));
    EXPECT_EQ(WEOF, bsd_btowc(0xC3));  // starts a longer character
    EXPECT_EQ(WEOF, bsd_btowc(0x80));
  }
  setlocale(LC_CTYPE, saved.c_str());
  EXPECT_EQ(WEOF, bsd_btowc(EOF));
  EXPECT_EQ(static_cast<wint_t>(0), bsd_btowc(0));
}

TEST(BsdVsnprintf, ResultsPastTheLargestIntFail) {
  EXPECT_EQ(-1, Sized(8, "%*d%d", INT_MAX, 1, 2).result);
  EXPECT_EQ(-1, Sized(8, "%2147483648d", 1).result);
  EXPECT_EQ(-1, Sized(8, "%.2147483648d", 1).result);
  EXPECT_EQ(INT_MAX, Sized(8, "%*d", INT_MAX, 1).result);
  Formatted f = Sized(8, "ab%*d", INT_MIN, 1);  // the width's magnitude does not fit
  EXPECT_EQ(-1, f.result);
}

// --- Internal helpers -------------------------------------------------------

TEST(BsdFmtHelpers, ExponentHasTwoDigitsAtLeast) {
  char buf[16];
  EXPECT_EQ("e+05", std::string(buf, static_cast<size_t>(BSDFmt_Exponent(buf, 5, 'e'))));
  EXPECT_EQ("E-123", std::string(buf, static_cast<size_t>(BSDFmt_Exponent(buf, -123, 'E'))));
  EXPECT_EQ("e+00", std::string(buf, static_cast<size_t>(BSDFmt_Exponent(buf, 0, 'e'))));
}

TEST(BsdFmtHelpers, IntegerDigitsInEachBase) {
  char buf[64];
  char* end = buf + sizeof buf;
  auto digits = [&](uintmax_t v, int base, bool octzero, const BSDFmt_Grouping* g) {
    char* start = BSDFmt_UJToA(v, end, base, octzero, xdigs_lower, g);
    return std::string(start, end);
  };
  EXPECT_EQ("18446744073709551615", digits(UINTMAX_MAX, 10, false, nullptr));
  EXPECT_EQ("1777777777777777777777", digits(UINTMAX_MAX, 8, false, nullptr));
  EXPECT_EQ("ffffffffffffffff", digits(UINTMAX_MAX, 16, false, nullptr));
  EXPECT_EQ("017", digits(15, 8, true, nullptr));
  EXPECT_EQ("0", digits(0, 8, true, nullptr));
  BSDFmt_Grouping byOne{"\1", '.'};
  EXPECT_EQ("1.2.3.4", digits(1234, 10, false, &byOne));
  EXPECT_EQ("7", std::string(BSDFmt_ULToA(7, end, 10, false, xdigs_upper, nullptr), end));
}

TEST(BsdFmtHelpersDeathTest, UnknownBaseAborts) {
  char buf[64];
  EXPECT_DEATH(BSDFmt_UJToA(5, buf + sizeof buf, 7, false, xdigs_lower, nullptr), "");
}

TEST(BsdFmtHelpers, TypeTableGrowsToNeedOrDouble) {
  uint32_t builtIn[kBSDFmtStaticArgs] = {0, kArgInt, kArgDouble, 0, 0, 0, 0, kArgPointer};
  uint32_t* table = builtIn;
  int size = kBSDFmtStaticArgs;
  BSDFmt_GrowTypeTable(&table, &size, 9, builtIn);  // twice 8 beats 9 + 1
  EXPECT_EQ(16, size);
  ASSERT_NE(builtIn, table);
  EXPECT_EQ(static_cast<uint32_t>(kArgDouble), table[2]);
  EXPECT_EQ(static_cast<uint32_t>(kArgPointer), table[7]);
  for (int i = 8; i < size; i++) {
    EXPECT_EQ(static_cast<uint32_t>(kArgUnused), table[i]);
  }
  BSDFmt_GrowTypeTable(&table, &size, 100, builtIn);  // 100 + 1 beats twice 16
  EXPECT_EQ(101, size);
  EXPECT_EQ(static_cast<uint32_t>(kArgInt), table[1]);
  EXPECT_EQ(static_cast<uint32_t>(kArgUnused), table[100]);
  free(table);
}

TEST(BsdFmtHelpers, WideToUtf8KeepsWholeCharactersWithinThePrecision) {
  const wchar_t text[] = L"a\u20acb";  // 1 + 3 + 1 bytes
  struct Case {
    int prec;
    const char* utf8;
  };
  const Case cases[] = {{-1,
                         "a\xE2\x82\xAC"
                         "b"},
                        {0, ""},
                        {1, "a"},
                        {3, "a"},
                        {4, "a\xE2\x82\xAC"},
                        {5,
                         "a\xE2\x82\xAC"
                         "b"},
                        {100,
                         "a\xE2\x82\xAC"
                         "b"}};
  for (const Case& c : cases) {
    char* utf8 = BSDFmt_WCharToUTF8(text, c.prec);
    ASSERT_NE(nullptr, utf8);
    EXPECT_STREQ(c.utf8, utf8) << "precision " << c.prec;
    free(utf8);
  }
}

// --- Digit glue ---------------------------------------------------------------

TEST(Dtoa, DigitsDecimalPointAndSign) {
  int decpt = 0;
  int sign = 0;
  char* rve = nullptr;
  char* digits = dtoa(1.5, 3, 2, &decpt, &sign, &rve);
  ASSERT_NE(nullptr, digits);
  EXPECT_STREQ("150", digits);
  EXPECT_EQ(1, decpt);
  EXPECT_EQ(0, sign);
  EXPECT_EQ(digits + 2, rve);  // after "15"
  freedtoa(digits);

  digits = dtoa(-1234.5, 2, 3, &decpt, &sign, &rve);
  ASSERT_NE(nullptr, digits);
  EXPECT_STREQ("123", digits);
  EXPECT_EQ(4, decpt);
  EXPECT_NE(0, sign);
  EXPECT_EQ(digits + 3, rve);
  freedtoa(digits);

  digits = dtoa(0.0, 2, 4, &decpt, &sign, &rve);
  ASSERT_NE(nullptr, digits);
  EXPECT_EQ(digits, rve);  // all zeros
  freedtoa(digits);

  long double wide = 0.25L;
  digits = ldtoa(&wide, 3, 3, &decpt, &sign, &rve);
  ASSERT_NE(nullptr, digits);
  EXPECT_EQ("25", std::string(digits, rve));  // 0.250: the point before the first digit
  EXPECT_EQ(0, decpt);
  freedtoa(digits);
}

// The engine's own fixed-point digits must be fcvt_r's, byte for byte.
TEST(Dtoa, EngineFixedDigitsMatchFcvtR) {
  std::mt19937_64 rng(99);
  const double specials[] = {0.0,   -0.0,       0.5,         1.5, 2.5,        0.05,     1e-7,      5e-324,
                             1e308, 123456.789, 0.999999999, 9.5, -0.0000001, INFINITY, -INFINITY, NAN};
  int mismatches = 0;
  for (int i = 0; i < 200000; i++) {
    double value;
    if (i < 16 * 21) {
      value = specials[i / 21];
    } else {
      uint64_t bits = rng();
      memcpy(&value, &bits, sizeof value);
      if (i % 2 == 0) {
        value = static_cast<double>(static_cast<int64_t>(bits % 2000000) - 1000000) / 1024.0;
      }
    }
    int ndigits = i % 21;
    char ours[kBSDFmtDigitBufferSize];
    char theirs[kBSDFmtDigitBufferSize];
    int decpt[2] = {0, 0};
    int sign[2] = {0, 0};
    char* rve = nullptr;
    ASSERT_TRUE(BSDFmt_DigitsInto(value, 3, ndigits, ours, sizeof ours, &decpt[0], &sign[0], &rve));
    ASSERT_EQ(0, fcvt_r(value, ndigits, &decpt[1], &sign[1], theirs, sizeof theirs));
    if (strcmp(ours, theirs) != 0 || decpt[0] != decpt[1] || sign[0] != sign[1]) {
      if (++mismatches < 10) {
        ADD_FAILURE() << value << " with " << ndigits << ": " << ours << "/" << decpt[0] << " vs " << theirs
                      << "/" << decpt[1];
      }
    }
  }
  EXPECT_EQ(0, mismatches);
}

}  // namespace
