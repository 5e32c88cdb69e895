// UTF-8/16/32 conversions: every scalar value against the C library's iconv
// in both directions, ill-formed input in strict and lenient mode (each case
// also through the general properties of string_checks).
#include <gtest/gtest.h>
#include <iconv.h>

#include <string>
#include <vector>

#include "lib/string/convert_utf.h"
#include "tests/lib/string/string_checks.h"

namespace {

using string_checks::Convert;
constexpr UTF32 kFFFD = UNI_REPLACEMENT_CHAR;

template <typename T>
std::string Bytes(const std::vector<T>& v) {
  return std::string(reinterpret_cast<const char*>(v.data()), v.size() * sizeof(T));
}

template <typename T>
std::string Iconv(const char* to, const char* from, const std::vector<T>& text) {
  iconv_t cd = iconv_open(to, from);
  std::string in = Bytes(text);
  std::string out(in.size() * 2 + 16, '\0');
  char* src = &in[0];
  size_t inLeft = in.size();
  char* dst = &out[0];
  size_t outLeft = out.size();
  size_t rc = iconv(cd, &src, &inLeft, &dst, &outLeft);
  iconv_close(cd);
  return rc == static_cast<size_t>(-1) ? "iconv failed" : out.substr(0, out.size() - outLeft);
}

std::string CheckProperties(const std::string& bytes) {
  return string_checks::CheckUtfRoundTrip(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
}

TEST(ConvertUtf, EveryScalarValueAgainstIconv) {
  std::vector<UTF32> utf32;
  for (UTF32 c = 0; c <= 0x10FFFF; c++) {
    if (c < 0xD800 || c > 0xDFFF) {
      utf32.push_back(c);
    }
  }
  auto utf8 = Convert(ConvertUTF32toUTF8, utf32, utf32.size() * 4, strictConversion);
  ASSERT_EQ(conversionOK, utf8.result);
  EXPECT_EQ(Iconv("UTF-8", "UTF-32LE", utf32), Bytes(utf8.out));
  auto utf16 = Convert(ConvertUTF8toUTF16, utf8.out, utf32.size() * 2, strictConversion);
  EXPECT_EQ(Iconv("UTF-16LE", "UTF-8", utf8.out), Bytes(utf16.out));
  EXPECT_EQ(utf32, Convert(ConvertUTF16toUTF32, utf16.out, utf32.size(), strictConversion).out);
  // The other way round, each target exactly as large as needed.
  EXPECT_EQ(utf16.out, Convert(ConvertUTF32toUTF16, utf32, utf16.out.size(), strictConversion).out);
  EXPECT_EQ(utf8.out, Convert(ConvertUTF16toUTF8, utf16.out, utf8.out.size(), strictConversion).out);
  auto back = Convert(ConvertUTF8toUTF32, utf8.out, utf32.size(), strictConversion);
  EXPECT_EQ(conversionOK, back.result);
  EXPECT_EQ(utf32, back.out);
}

// Strict mode stops before the first ill-formed sequence; lenient mode
// writes one U+FFFD per maximal ill-formed subpart. Well-formed rows start
// with each lead byte class that has a special second-byte range.
TEST(ConvertUtf, IllFormedUtf8StrictStopsLenientReplaces) {
  struct {
    std::string bytes;
    ConversionResult strict;
    size_t strictUsed;
    std::vector<UTF32> lenient;
  } cases[] = {
      {"\xE0\xA0\x80\xED\x9F\xBF", conversionOK, 6, {0x800, 0xD7FF}},
      {"\xF0\x90\x80\x80\xF4\x8F\xBF\xBF", conversionOK, 8, {0x10000, 0x10FFFF}},
      {"a\x80\x62", sourceIllegal, 1, {'a', kFFFD, 'b'}},
      {"\xC3 \xDF\xC0", sourceIllegal, 0, {kFFFD, ' ', kFFFD, kFFFD}},
      {"\xE2\x82\x41\xF0\x9F\x98\x41", sourceIllegal, 0, {kFFFD, 'A', kFFFD, 'A'}},
      {"\xC3\xE2\x82\xF0\x9F\x98z", sourceIllegal, 0, {kFFFD, kFFFD, kFFFD, 'z'}},
      {"\xFE\xFF\xC0\xAF\xC1\xBF", sourceIllegal, 0, {kFFFD, kFFFD, kFFFD, kFFFD, kFFFD, kFFFD}},
      {"\xE0\x9F\xBF", sourceIllegal, 0, {kFFFD, kFFFD, kFFFD}},  // overlong
      {"\xF0\x8F\xBF\xBF", sourceIllegal, 0, {kFFFD, kFFFD, kFFFD, kFFFD}},
      {"x\xED\xA0\x80", sourceIllegal, 1, {'x', kFFFD, kFFFD, kFFFD}},       // surrogate
      {"\xF4\x90\x80\x80", sourceIllegal, 0, {kFFFD, kFFFD, kFFFD, kFFFD}},  // past U+10FFFF
      {"\xF5\x80\x80\x80", sourceIllegal, 0, {kFFFD, kFFFD, kFFFD, kFFFD}},
      {"ok\xE2\x82", sourceExhausted, 2, {'o', 'k'}},
      {"\xF0\x9F\x98", sourceExhausted, 0, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.bytes));
    std::vector<UTF8> bytes(c.bytes.begin(), c.bytes.end());
    auto strict = Convert(ConvertUTF8toUTF32, bytes, bytes.size(), strictConversion);
    EXPECT_EQ(c.strict, strict.result);
    EXPECT_EQ(c.strictUsed, strict.used);
    auto lenient = Convert(ConvertUTF8toUTF32, bytes, bytes.size(), lenientConversion);
    EXPECT_EQ(c.strict == sourceExhausted ? sourceExhausted : conversionOK, lenient.result);
    EXPECT_EQ(c.lenient, lenient.out);
    EXPECT_EQ("", CheckProperties(c.bytes));
  }
}

TEST(ConvertUtf, IllFormedUtf16AndUtf32) {
  struct {
    std::vector<UTF16> units;
    ConversionResult strict;
    size_t strictUsed;
    std::vector<UTF32> lenient;
  } cases[] = {
      {{'a', 0xDC00, 'b'}, sourceIllegal, 1, {'a', kFFFD, 'b'}},  // lone low surrogate
      {{0xD800, 'b'}, sourceIllegal, 0, {kFFFD, 'b'}},            // high, no low
      {{0xD800, 0xD800, 0xDC00}, sourceIllegal, 0, {kFFFD, 0x10000}},
      {{'a', 0xD800}, sourceExhausted, 1, {'a'}},  // a low one may follow
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.units));
    auto strict = Convert(ConvertUTF16toUTF32, c.units, 4, strictConversion);
    EXPECT_EQ(c.strict, strict.result);
    EXPECT_EQ(c.strictUsed, strict.used);
    EXPECT_EQ(c.lenient, Convert(ConvertUTF16toUTF32, c.units, 4, lenientConversion).out);
    EXPECT_EQ("", CheckProperties(Bytes(c.units)));
  }
  // Surrogates and values past U+10FFFF: strict stops at the first, lenient
  // replaces each (checked by the properties).
  EXPECT_EQ("", CheckProperties(Bytes(std::vector<UTF32>{'a', 0xD800, 0xDFFF, 0x110000, 0xFFFFFFFF, 'b'})));
  EXPECT_EQ("", CheckProperties(Bytes(std::vector<UTF32>{'a', 0x10FFFF, 0xDFFF, 'b', 0xD7FF, 0xE000})));
}

}  // namespace
