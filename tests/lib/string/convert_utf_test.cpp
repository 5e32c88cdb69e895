// UTF-8/16/32 conversions: every scalar value against the C library's
// iconv, surrogates, values past U+10FFFF, malformed UTF-8 in the
// categories of the well-known decoder stress test, strict and lenient
// modes, and running out of source or target.
#include "lib/string/convert_utf.h"

#include <gtest/gtest.h>
#include <iconv.h>

#include <string>
#include <vector>

namespace {

std::vector<UTF32> AllScalarValues() {
  std::vector<UTF32> values;
  for (UTF32 c = 0; c <= 0x10FFFF; c++) {
    if (c < 0xD800 || c > 0xDFFF) {
      values.push_back(c);
    }
  }
  return values;
}

// The C library's conversion of the same text, as an independent oracle.
std::string Iconv(const char* to, const char* from, const void* data, size_t bytes) {
  iconv_t cd = iconv_open(to, from);
  EXPECT_NE(reinterpret_cast<iconv_t>(-1), cd);
  std::string out(bytes * 4 + 16, '\0');
  char* in = const_cast<char*>(static_cast<const char*>(data));
  size_t inLeft = bytes;
  char* dst = &out[0];
  size_t outLeft = out.size();
  EXPECT_NE(static_cast<size_t>(-1), iconv(cd, &in, &inLeft, &dst, &outLeft));
  iconv_close(cd);
  out.resize(out.size() - outLeft);
  return out;
}

template <typename T>
std::string Bytes(const std::vector<T>& v) {
  return std::string(reinterpret_cast<const char*>(v.data()), v.size() * sizeof(T));
}

TEST(ConvertUtf, EveryScalarValueRoundTripsThroughAllThree) {
  const std::vector<UTF32> utf32 = AllScalarValues();

  std::vector<UTF8> utf8(utf32.size() * 4);
  const UTF32* src32 = utf32.data();
  UTF8* dst8 = utf8.data();
  ASSERT_EQ(conversionOK, ConvertUTF32toUTF8(&src32, utf32.data() + utf32.size(), &dst8,
                                             utf8.data() + utf8.size(), strictConversion));
  EXPECT_EQ(utf32.data() + utf32.size(), src32);
  utf8.resize(static_cast<size_t>(dst8 - utf8.data()));
  EXPECT_EQ(Iconv("UTF-8", "UTF-32LE", utf32.data(), utf32.size() * 4), Bytes(utf8));

  std::vector<UTF16> utf16(utf32.size() * 2);
  const UTF8* src8 = utf8.data();
  UTF16* dst16 = utf16.data();
  ASSERT_EQ(conversionOK, ConvertUTF8toUTF16(&src8, utf8.data() + utf8.size(), &dst16,
                                             utf16.data() + utf16.size(), strictConversion));
  utf16.resize(static_cast<size_t>(dst16 - utf16.data()));
  EXPECT_EQ(Iconv("UTF-16LE", "UTF-8", utf8.data(), utf8.size()), Bytes(utf16));

  std::vector<UTF32> back32(utf32.size());
  const UTF16* src16 = utf16.data();
  UTF32* dst32 = back32.data();
  ASSERT_EQ(conversionOK, ConvertUTF16toUTF32(&src16, utf16.data() + utf16.size(), &dst32,
                                              back32.data() + back32.size(), strictConversion));
  EXPECT_EQ(utf32, back32);

  // The other way round: 32 -> 16 -> 8 -> 32.
  std::vector<UTF16> utf16b(utf32.size() * 2);
  src32 = utf32.data();
  dst16 = utf16b.data();
  ASSERT_EQ(conversionOK, ConvertUTF32toUTF16(&src32, utf32.data() + utf32.size(), &dst16,
                                              utf16b.data() + utf16b.size(), strictConversion));
  utf16b.resize(static_cast<size_t>(dst16 - utf16b.data()));
  EXPECT_EQ(utf16, utf16b);
  std::vector<UTF8> utf8b(utf8.size());
  src16 = utf16b.data();
  dst8 = utf8b.data();
  ASSERT_EQ(conversionOK, ConvertUTF16toUTF8(&src16, utf16b.data() + utf16b.size(), &dst8,
                                             utf8b.data() + utf8b.size(), strictConversion));
  EXPECT_EQ(utf8, utf8b);
  std::vector<UTF32> back32b(utf32.size());
  src8 = utf8b.data();
  dst32 = back32b.data();
  ASSERT_EQ(conversionOK, ConvertUTF8toUTF32(&src8, utf8b.data() + utf8b.size(), &dst32,
                                             back32b.data() + back32b.size(), strictConversion));
  EXPECT_EQ(utf32, back32b);
}

// --- UTF-8 input ------------------------------------------------------------

struct Utf8Outcome {
  ConversionResult result;
  size_t consumed;            // source bytes converted
  std::vector<UTF32> output;  // scalar values written
};

Utf8Outcome FromUtf8(const std::string& bytes, ConversionFlags flags) {
  const UTF8* begin = reinterpret_cast<const UTF8*>(bytes.data());
  const UTF8* src = begin;
  std::vector<UTF32> out(bytes.size() + 1);
  UTF32* dst = out.data();
  ConversionResult result =
      ConvertUTF8toUTF32(&src, begin + bytes.size(), &dst, out.data() + out.size(), flags);
  out.resize(static_cast<size_t>(dst - out.data()));

  // UTF-16 output must tell the same story.
  const UTF8* src16 = begin;
  std::vector<UTF16> out16(bytes.size() * 2 + 2);
  UTF16* dst16 = out16.data();
  EXPECT_EQ(result,
            ConvertUTF8toUTF16(&src16, begin + bytes.size(), &dst16, out16.data() + out16.size(), flags));
  EXPECT_EQ(src, src16);
  return {result, static_cast<size_t>(src - begin), out};
}

constexpr UTF32 kFFFD = UNI_REPLACEMENT_CHAR;

struct MalformedCase {
  const char* what;
  std::string bytes;
  ConversionResult strictResult;
  size_t strictConsumed;
  std::vector<UTF32> lenient;  // one U+FFFD per maximal ill-formed subpart
};

// The decoder stress test's categories: boundaries, unexpected continuation
// bytes, lonely start bytes, sequences missing their last byte, impossible
// bytes, overlong forms, surrogates and code points past U+10FFFF.
const std::vector<MalformedCase>& MalformedCases() {
  static const std::vector<MalformedCase> cases = {
      {"correct text",
       "\xCE\xBA\xE1\xBD\xB9\xCF\x83\xCE\xBC\xCE\xB5",
       conversionOK,
       11,
       {0x3BA, 0x1F79, 0x3C3, 0x3BC, 0x3B5}},
      {"first of each length",
       std::string("\x00", 1) + "\xC2\x80\xE0\xA0\x80\xF0\x90\x80\x80",
       conversionOK,
       10,
       {0, 0x80, 0x800, 0x10000}},
      {"last of each length",
       "\x7F\xDF\xBF\xEF\xBF\xBF\xF4\x8F\xBF\xBF",
       conversionOK,
       10,
       {0x7F, 0x7FF, 0xFFFF, 0x10FFFF}},
      {"noncharacters are scalar values", "\xEF\xBF\xBE\xEF\xBF\xBF", conversionOK, 6, {0xFFFE, 0xFFFF}},
      {"lone continuation",
       "a\x80"
       "b",
       sourceIllegal,
       1,
       {'a', kFFFD, 'b'}},
      {"continuations", "\x80\xBF\x80", sourceIllegal, 0, {kFFFD, kFFFD, kFFFD}},
      {"lonely start", "\xC3 \xE2 ", sourceIllegal, 0, {kFFFD, ' ', kFFFD, ' '}},
      {"missing last byte",
       "\xE2\x82"
       "A",
       sourceIllegal,
       0,
       {kFFFD, 'A'}},
      {"missing last of 4",
       "\xF0\x9F\x98"
       "A",
       sourceIllegal,
       0,
       {kFFFD, 'A'}},
      {"incomplete sequences back to back",
       "\xC3\xE2\x82\xF0\x9F\x98"
       "z",
       sourceIllegal,
       0,
       {kFFFD, kFFFD, kFFFD, 'z'}},
      {"impossible bytes", "\xFE\xFF", sourceIllegal, 0, {kFFFD, kFFFD}},
      {"5-byte form", "\xF8\x88\x80\x80\x80", sourceIllegal, 0, {kFFFD, kFFFD, kFFFD, kFFFD, kFFFD}},
      {"6-byte form",
       "\xFC\x84\x80\x80\x80\x80",
       sourceIllegal,
       0,
       {kFFFD, kFFFD, kFFFD, kFFFD, kFFFD, kFFFD}},
      {"overlong slash in 2", "\xC0\xAF", sourceIllegal, 0, {kFFFD, kFFFD}},
      {"overlong slash in 3", "\xE0\x80\xAF", sourceIllegal, 0, {kFFFD, kFFFD, kFFFD}},
      {"overlong slash in 4", "\xF0\x80\x80\xAF", sourceIllegal, 0, {kFFFD, kFFFD, kFFFD, kFFFD}},
      {"largest overlong 2", "\xC1\xBF", sourceIllegal, 0, {kFFFD, kFFFD}},
      {"largest overlong 3", "\xE0\x9F\xBF", sourceIllegal, 0, {kFFFD, kFFFD, kFFFD}},
      {"overlong NUL", "\xC0\x80", sourceIllegal, 0, {kFFFD, kFFFD}},
      {"high surrogate", "\xED\xA0\x80", sourceIllegal, 0, {kFFFD, kFFFD, kFFFD}},
      {"low surrogate", "x\xED\xBF\xBF", sourceIllegal, 1, {'x', kFFFD, kFFFD, kFFFD}},
      {"paired surrogates",
       "\xED\xA0\xBD\xED\xB8\x80",
       sourceIllegal,
       0,
       {kFFFD, kFFFD, kFFFD, kFFFD, kFFFD, kFFFD}},
      {"past U+10FFFF", "\xF4\x90\x80\x80", sourceIllegal, 0, {kFFFD, kFFFD, kFFFD, kFFFD}},
      {"F5 lead", "\xF5\x80\x80\x80", sourceIllegal, 0, {kFFFD, kFFFD, kFFFD, kFFFD}},
      {"cut off by the end", "ok\xE2\x82", sourceExhausted, 2, {'o', 'k'}},
      {"cut off 4 of 4", "\xF0\x9F\x98", sourceExhausted, 0, {}},
  };
  return cases;
}

TEST(ConvertUtf, MalformedUtf8StrictStopsLenientReplaces) {
  for (const MalformedCase& c : MalformedCases()) {
    SCOPED_TRACE(c.what);
    Utf8Outcome strict = FromUtf8(c.bytes, strictConversion);
    EXPECT_EQ(c.strictResult, strict.result);
    EXPECT_EQ(c.strictConsumed, strict.consumed);
    Utf8Outcome lenient = FromUtf8(c.bytes, lenientConversion);
    EXPECT_EQ(c.lenient, lenient.output);
    EXPECT_EQ(c.strictResult == sourceExhausted ? sourceExhausted : conversionOK, lenient.result);
  }
}

TEST(ConvertUtf, LegalSequenceChecksOneSequence) {
  struct Case {
    std::string bytes;
    bool legal;
  };
  const Case cases[] = {
      {"a", true},
      {"\xC2\x80", true},
      {"\xE0\xA0\x80", true},
      {"\xED\x9F\xBF", true},
      {"\xF0\x90\x80\x80", true},
      {"\xF4\x8F\xBF\xBF", true},
      {"\xC3\xA9zz", true},  // trailing bytes ignored
      {"\x80", false},
      {"\xC1\xBF", false},
      {"\xE0\x9F\xBF", false},
      {"\xED\xA0\x80", false},
      {"\xF0\x8F\xBF\xBF", false},
      {"\xF4\x90\x80\x80", false},
      {"\xF5\x80\x80\x80", false},
      {"\xC3", false},
      {"\xE2\x82", false},
      {"\xF8\x88\x80\x80\x80", false},
      {"\xC3"
       "a",
       false},
      {"", false},
  };
  for (const Case& c : cases) {
    const UTF8* p = reinterpret_cast<const UTF8*>(c.bytes.data());
    EXPECT_EQ(c.legal, isLegalUTF8Sequence(p, p + c.bytes.size())) << testing::PrintToString(c.bytes);
  }
}

// --- UTF-16 and UTF-32 input -------------------------------------------------

TEST(ConvertUtf, SurrogatesInUtf16) {
  struct Case {
    std::vector<UTF16> units;
    ConversionResult strict;
    size_t strictConsumed;
    std::vector<UTF32> lenient;
    ConversionResult lenientResult;
  };
  const Case cases[] = {
      {{0xD83D, 0xDE00}, conversionOK, 2, {0x1F600}, conversionOK},
      {{'a', 0xDC00, 'b'}, sourceIllegal, 1, {'a', kFFFD, 'b'}, conversionOK},       // lone low
      {{0xD800, 'b'}, sourceIllegal, 0, {kFFFD, 'b'}, conversionOK},                 // high, no low
      {{0xD800, 0xD800, 0xDC00}, sourceIllegal, 0, {kFFFD, 0x10000}, conversionOK},  // high high low
      {{'a', 0xD800}, sourceExhausted, 1, {'a'}, sourceExhausted},                   // low may follow
      {{0xDBFF, 0xDFFF}, conversionOK, 2, {0x10FFFF}, conversionOK},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.units));
    for (ConversionFlags flags : {strictConversion, lenientConversion}) {
      const UTF16* src = c.units.data();
      std::vector<UTF32> out(8);
      UTF32* dst = out.data();
      ConversionResult r =
          ConvertUTF16toUTF32(&src, c.units.data() + c.units.size(), &dst, out.data() + 8, flags);
      out.resize(static_cast<size_t>(dst - out.data()));
      if (flags == strictConversion) {
        EXPECT_EQ(c.strict, r);
        EXPECT_EQ(c.strictConsumed, static_cast<size_t>(src - c.units.data()));
      } else {
        EXPECT_EQ(c.lenientResult, r);
        EXPECT_EQ(c.lenient, out);
      }
      // UTF-8 output: the same result and the same units consumed.
      const UTF16* src8 = c.units.data();
      UTF8 bytes[32];
      UTF8* dst8 = bytes;
      EXPECT_EQ(
          r, ConvertUTF16toUTF8(&src8, c.units.data() + c.units.size(), &dst8, bytes + sizeof bytes, flags));
      EXPECT_EQ(src, src8);
    }
  }
}

TEST(ConvertUtf, IllegalValuesInUtf32) {
  const UTF32 bad[] = {0xD800, 0xDFFF, 0x110000, 0xFFFFFFFF};
  for (UTF32 value : bad) {
    SCOPED_TRACE(value);
    const UTF32 text[] = {'a', value, 'b'};
    const UTF32* src = text;
    UTF8 utf8[16];
    UTF8* dst = utf8;
    EXPECT_EQ(sourceIllegal, ConvertUTF32toUTF8(&src, text + 3, &dst, utf8 + 16, strictConversion));
    EXPECT_EQ(text + 1, src);
    EXPECT_EQ(utf8 + 1, dst);

    src = text;
    dst = utf8;
    EXPECT_EQ(conversionOK, ConvertUTF32toUTF8(&src, text + 3, &dst, utf8 + 16, lenientConversion));
    EXPECT_EQ(
        "a\xEF\xBF\xBD"
        "b",
        std::string(reinterpret_cast<char*>(utf8), static_cast<size_t>(dst - utf8)));

    src = text;
    UTF16 utf16[8];
    UTF16* dst16 = utf16;
    EXPECT_EQ(sourceIllegal, ConvertUTF32toUTF16(&src, text + 3, &dst16, utf16 + 8, strictConversion));
    EXPECT_EQ(text + 1, src);
    src = text;
    dst16 = utf16;
    EXPECT_EQ(conversionOK, ConvertUTF32toUTF16(&src, text + 3, &dst16, utf16 + 8, lenientConversion));
    EXPECT_EQ((std::vector<UTF16>{'a', 0xFFFD, 'b'}), std::vector<UTF16>(utf16, dst16));
  }
}

// --- Target exhausted ----------------------------------------------------------

TEST(ConvertUtf, TargetExhaustedStopsBeforeTheCharacterThatDoesNotFit) {
  const UTF32 text[] = {'a', 0x20AC, 0x1F600};  // 1, 3 and 4 bytes; 1, 1 and 2 units
  struct Case {
    size_t room;
    ConversionResult result;
    size_t consumed;
    size_t written;
  };
  const Case utf8Cases[] = {{0, targetExhausted, 0, 0}, {1, targetExhausted, 1, 1},
                            {3, targetExhausted, 1, 1}, {4, targetExhausted, 2, 4},
                            {7, targetExhausted, 2, 4}, {8, conversionOK, 3, 8}};
  for (const Case& c : utf8Cases) {
    const UTF32* src = text;
    UTF8 out[8];
    UTF8* dst = out;
    EXPECT_EQ(c.result, ConvertUTF32toUTF8(&src, text + 3, &dst, out + c.room, strictConversion)) << c.room;
    EXPECT_EQ(c.consumed, static_cast<size_t>(src - text)) << c.room;
    EXPECT_EQ(c.written, static_cast<size_t>(dst - out)) << c.room;
  }
  const Case utf16Cases[] = {{1, targetExhausted, 1, 1}, {3, targetExhausted, 2, 2}, {4, conversionOK, 3, 4}};
  for (const Case& c : utf16Cases) {
    const UTF8 bytes[] = {'a', 0xE2, 0x82, 0xAC, 0xF0, 0x9F, 0x98, 0x80};
    const UTF8* src = bytes;
    UTF16 out[4];
    UTF16* dst = out;
    EXPECT_EQ(c.result, ConvertUTF8toUTF16(&src, bytes + sizeof bytes, &dst, out + c.room, strictConversion));
    EXPECT_EQ(c.written, static_cast<size_t>(dst - out)) << c.room;
    EXPECT_EQ(c.consumed == 3 ? 8u : c.consumed == 2 ? 4u : 1u, static_cast<size_t>(src - bytes)) << c.room;
  }
}

}  // namespace
