// UTF-8/16/32 conversions: every scalar value against the C library's iconv
// in both directions, then one table of ill-formed, cut-off and non-fitting
// input for all six functions in strict and lenient mode (each source also
// through the general properties of string_checks).
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

// Every direction runs on code units held as UTF32 and gives its output
// the same way.
template <typename From, typename To,
          ConversionResult (*Fn)(const From**, const From*, To**, To*, ConversionFlags)>
string_checks::Converted<UTF32> Run(const std::vector<UTF32>& units, size_t room, ConversionFlags flags) {
  std::vector<From> in(units.begin(), units.end());
  EXPECT_EQ("", CheckProperties(Bytes(in)));
  auto r = Convert(Fn, in, room, flags);
  return {r.result, r.used, std::vector<UTF32>(r.out.begin(), r.out.end())};
}

enum Direction { k8to16, k8to32, k16to8, k16to32, k32to8, k32to16 };
string_checks::Converted<UTF32> (*const kRun[])(const std::vector<UTF32>&, size_t, ConversionFlags) = {
    Run<UTF8, UTF16, ConvertUTF8toUTF16>, Run<UTF8, UTF32, ConvertUTF8toUTF32>,
    Run<UTF16, UTF8, ConvertUTF16toUTF8>, Run<UTF16, UTF32, ConvertUTF16toUTF32>,
    Run<UTF32, UTF8, ConvertUTF32toUTF8>, Run<UTF32, UTF16, ConvertUTF32toUTF16>,
};
enum Modes { kStrict, kLenient, kBoth };
constexpr ConversionResult kOk = conversionOK, kCut = sourceExhausted, kFull = targetExhausted,
                           kBad = sourceIllegal;

// A UTF-8 sequence is judged cut off by the length its first byte announces
// before its bytes are judged, those before the room in the target. Lenient
// mode writes one U+FFFD per maximal ill-formed subpart. A UTF-32 value
// above U+10FFFF does not stop a conversion but leaves it sourceIllegal,
// except leniently to UTF-16. To UTF-16, a full target stops a UTF-32 source
// before its next value is looked at.
TEST(ConvertUtf, IllFormedCutOffAndNotFitting) {
  struct {
    Direction dir;
    Modes modes;
    std::vector<UTF32> src;
    size_t room;
    ConversionResult result;
    size_t used;
    std::vector<UTF32> out;
  } cases[] = {
      {k8to16, kBoth, {}, 0, kOk, 0, {}},
      {k8to32, kBoth, {'a', 0xE2, 'A'}, 4, kCut, 1, {'a'}},
      {k8to32, kStrict, {'a', 0xE2, 'A', 'A'}, 4, kBad, 1, {'a'}},
      {k8to32, kLenient, {'a', 0xE2, 'A', 'A'}, 4, kOk, 4, {'a', kFFFD, 'A', 'A'}},
      {k8to16, kBoth, {'a', 0xE0, 0x80}, 4, kCut, 1, {'a'}},
      {k8to16, kStrict, {0xE0, 0x80, 0x80}, 4, kBad, 0, {}},
      {k8to16, kLenient, {0xE0, 0x80, 0x80}, 4, kOk, 3, {kFFFD, kFFFD, kFFFD}},
      {k8to16, kBoth, {0xC2, 0xB5, '<', 'Q', 0xF5, 0x81}, 8, kCut, 4, {0xB5, '<', 'Q'}},
      {k8to32, kBoth, {0xF8}, 4, kCut, 0, {}},
      {k8to32, kBoth, {0xF8, 0x88, 0x80, 0x80}, 4, kCut, 0, {}},
      {k8to32, kBoth, {0xFC, 0x84, 0x80, 0x80, 0x80}, 8, kCut, 0, {}},
      {k8to32, kStrict, {0xFC, 0x84, 0x80, 0x80, 0x80, 0x80}, 8, kBad, 0, {}},
      {k8to16, kStrict, {0xF8, 0x88, 0x80, 0x80, 0x80}, 8, kBad, 0, {}},
      {k8to16, kLenient, {0xF8, 0x88, 0x80, 0x80, 0x80}, 8, kOk, 5, {kFFFD, kFFFD, kFFFD, kFFFD, kFFFD}},
      {k8to32, kBoth, {'x', 0xC0}, 4, kCut, 1, {'x'}},
      {k8to32, kBoth, {0xF0, 0x9F, 0x98}, 4, kCut, 0, {}},
      {k8to32, kStrict, {0xC2, 0xB5, 0xBF}, 4, kBad, 2, {0xB5}},
      {k8to32, kStrict, {0xC3, 0xBF, 0xE1, 0x80, 0xC0}, 4, kBad, 2, {0xFF}},
      {k8to32,
       kLenient,
       {0xE0, 0xC0, 0xF0, 0xC0, 0xC3, 0xC0},
       8,
       kCut,
       5,
       {kFFFD, kFFFD, kFFFD, kFFFD, kFFFD}},
      {k8to32, kLenient, {'x', 0xBF, 0xC1, 0xBF}, 4, kOk, 4, {'x', kFFFD, kFFFD, kFFFD}},
      {k8to32, kStrict, {0xE0, 0x9F, 0xBF}, 4, kBad, 0, {}},  // overlong
      {k8to32, kStrict, {0xED, 0xA0, 0x80}, 4, kBad, 0, {}},  // surrogate
      {k8to32, kStrict, {0xF0, 0x8F, 0xBF, 0xBF}, 4, kBad, 0, {}},
      {k8to32, kStrict, {0xF4, 0x90, 0x80, 0x80}, 4, kBad, 0, {}},  // past U+10FFFF
      {k8to32, kStrict, {0xF5, 0x80, 0x80, 0x80}, 4, kBad, 0, {}},
      {k8to32, kLenient, {0xE0, 0x9F, 0xED, 0xA0, 'a'}, 8, kOk, 5, {kFFFD, kFFFD, kFFFD, kFFFD, 'a'}},
      {k8to32, kLenient, {0xC3, 0xE2, 0x82, 0xF0, 0x9F, 0x98, 'z'}, 4, kOk, 7, {kFFFD, kFFFD, kFFFD, 'z'}},
      {k8to16, kLenient, {0xE2, 'A', 0xE2, 0x82}, 4, kCut, 2, {kFFFD, 'A'}},
      {k8to32, kBoth, {'a', 0xE2, 0x82, 0xAC}, 1, kFull, 1, {'a'}},
      {k8to32, kBoth, {'a', 0xE2}, 1, kCut, 1, {'a'}},
      {k8to32, kStrict, {'a', 0x80}, 1, kBad, 1, {'a'}},
      {k8to32, kLenient, {'a', 0x80}, 1, kFull, 1, {'a'}},
      {k8to16, kBoth, {0xF0, 0x9F, 0x98, 0x80}, 1, kFull, 0, {}},
      {k16to32, kStrict, {'a', 0xDC00}, 4, kBad, 1, {'a'}},
      {k16to32, kLenient, {'a', 0xDC00}, 4, kOk, 2, {'a', kFFFD}},
      {k16to32, kStrict, {'a', 0xDFFF}, 1, kBad, 1, {'a'}},
      {k16to32, kLenient, {'a', 0xDFFF}, 1, kFull, 1, {'a'}},
      {k16to32, kBoth, {'a', 0xD800}, 1, kCut, 1, {'a'}},
      {k16to8, kStrict, {0xDBFF, 0xE000}, 8, kBad, 0, {}},
      {k16to8, kLenient, {0xDBFF, 0xE000}, 8, kOk, 2, {0xEF, 0xBF, 0xBD, 0xEE, 0x80, 0x80}},
      {k16to32, kLenient, {0xD800, 0xD800, 0xDC00}, 4, kOk, 3, {kFFFD, 0x10000}},
      {k16to8, kBoth, {'a', 0xD83D, 0xDE00}, 4, kFull, 1, {'a'}},
      {k32to8, kBoth, {'a', 0x110000, 'b'}, 8, kBad, 3, {'a', 0xEF, 0xBF, 0xBD, 'b'}},
      {k32to16, kStrict, {'a', 0x110000, 'b'}, 4, kBad, 3, {'a', 'b'}},
      {k32to16, kLenient, {'a', 0xFFFFFFFF, 'b'}, 4, kOk, 3, {'a', kFFFD, 'b'}},
      {k32to8, kStrict, {0x110000, 0xD800, 'b'}, 8, kBad, 1, {0xEF, 0xBF, 0xBD}},
      {k32to8, kLenient, {0x110000, 0xDFFF, 'b'}, 8, kBad, 3, {0xEF, 0xBF, 0xBD, 0xEF, 0xBF, 0xBD, 'b'}},
      {k32to8, kBoth, {0x110000, 'b'}, 3, kFull, 1, {0xEF, 0xBF, 0xBD}},
      {k32to8, kBoth, {'a', 0xFFFFFFFF}, 3, kFull, 1, {'a'}},
      {k32to8, kStrict, {'a', 0xD800}, 1, kBad, 1, {'a'}},
      {k32to8, kLenient, {'a', 0xD800}, 1, kFull, 1, {'a'}},
      {k32to16, kBoth, {'a', 0xD800}, 1, kFull, 1, {'a'}},
      {k32to16, kBoth, {'a', 0x110000}, 1, kFull, 1, {'a'}},
      {k32to16, kStrict, {0x110000}, 1, kBad, 1, {}},
      {k32to16, kBoth, {'a', 0x10000}, 2, kFull, 1, {'a'}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "direction " << c.dir << " modes " << c.modes << " "
                                    << testing::PrintToString(c.src));
    for (ConversionFlags flags : {strictConversion, lenientConversion}) {
      if (c.modes == kBoth || static_cast<int>(c.modes) == flags) {
        auto got = kRun[c.dir](c.src, c.room, flags);
        EXPECT_EQ(c.result, got.result);
        EXPECT_EQ(c.used, got.used);
        EXPECT_EQ(c.out, got.out);
      }
    }
  }
}

}  // namespace
