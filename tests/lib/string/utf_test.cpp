// UTF-8/16/32 conversions: every scalar value against iconv, then ill-formed,
// cut-off and non-fitting input for all six functions.
#include <gtest/gtest.h>
#include <iconv.h>

#include <string>
#include <tuple>
#include <vector>

#include "lib/string/convert_utf.h"
#include "tests/lib/string/string_checks.h"

namespace {

using string_checks::Convert;
constexpr UTF32 kRep = UNI_REPLACEMENT_CHAR;  // U+FFFD

// text converted by iconv.
template <typename To, typename From>
std::vector<To> Iconv(const char* to, const char* from, std::vector<From> text) {
  iconv_t cd = iconv_open(to, from);
  std::vector<To> out(text.size() * 4);
  char* src = reinterpret_cast<char*>(text.data());
  size_t inLeft = text.size() * sizeof(From);
  char* dst = reinterpret_cast<char*>(out.data());
  size_t outLeft = out.size() * sizeof(To);
  EXPECT_NE(static_cast<size_t>(-1), iconv(cd, &src, &inLeft, &dst, &outLeft));
  iconv_close(cd);
  out.resize(out.size() - outLeft / sizeof(To));
  return out;
}

TEST(ConvertUtf, EveryScalarValueAgainstIconv) {
  std::vector<UTF32> utf32;
  for (UTF32 c = 0; c <= 0x10FFFF; c++) {
    if (c < 0xD800 || c > 0xDFFF) {
      utf32.push_back(c);
    }
  }
  auto utf8 = Convert(ConvertUTF32toUTF8, utf32, utf32.size() * 4, strictConversion).out;
  EXPECT_EQ(Iconv<UTF8>("UTF-8", "UTF-32LE", utf32), utf8);
  auto utf16 = Convert(ConvertUTF8toUTF16, utf8, utf32.size() * 2, strictConversion).out;
  EXPECT_EQ(Iconv<UTF16>("UTF-16LE", "UTF-8", utf8), utf16);
  EXPECT_EQ(utf32, Convert(ConvertUTF16toUTF32, utf16, utf32.size(), strictConversion).out);
}

// One direction on code units held as UTF32, its source also through the
// properties of string_checks.
template <typename From, typename To,
          ConversionResult (*Fn)(const From**, const From*, To**, To*, ConversionFlags)>
string_checks::Converted<UTF32> Run(const std::vector<UTF32>& units, size_t room, ConversionFlags flags) {
  std::vector<From> in(units.begin(), units.end());
  EXPECT_EQ("", string_checks::CheckUtfRoundTrip(reinterpret_cast<const uint8_t*>(in.data()),
                                                 in.size() * sizeof(From)));
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

// Which result wins: cut off (by the length a UTF-8 first byte announces),
// then ill-formed, then a full target (first, from UTF-32 to UTF-16). Above
// U+10FFFF a UTF-32 value leaves sourceIllegal, except leniently to UTF-16.
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
      {k8to32, kLenient, {'a', 0xE2, 'A', 'A'}, 4, kOk, 4, {'a', kRep, 'A', 'A'}},
      {k8to16, kBoth, {'a', 0xE0, 0x80}, 4, kCut, 1, {'a'}},
      {k8to16, kStrict, {0xE0, 0x80, 0x80}, 4, kBad, 0, {}},
      {k8to16, kLenient, {0xE0, 0x80, 0x80}, 4, kOk, 3, {kRep, kRep, kRep}},
      {k8to16, kBoth, {0xC2, 0xB5, '<', 'Q', 0xF5, 0x81}, 8, kCut, 4, {0xB5, '<', 'Q'}},
      {k8to32, kBoth, {0xF8}, 4, kCut, 0, {}},
      {k8to32, kBoth, {0xF8, 0x88, 0x80, 0x80}, 4, kCut, 0, {}},
      {k8to32, kBoth, {0xFC, 0x84, 0x80, 0x80, 0x80}, 8, kCut, 0, {}},
      {k8to32, kStrict, {0xFC, 0x84, 0x80, 0x80, 0x80, 0x80}, 8, kBad, 0, {}},
      {k8to16, kStrict, {0xF8, 0x88, 0x80, 0x80, 0x80}, 8, kBad, 0, {}},
      {k8to16, kLenient, {0xF8, 0x88, 0x80, 0x80, 0x80}, 8, kOk, 5, {kRep, kRep, kRep, kRep, kRep}},
      {k8to32, kBoth, {'x', 0xC0}, 4, kCut, 1, {'x'}},
      {k8to32, kBoth, {0xF0, 0x9F, 0x98}, 4, kCut, 0, {}},
      {k8to32, kStrict, {0xC2, 0xB5, 0xBF}, 4, kBad, 2, {0xB5}},
      {k8to32, kStrict, {0xC3, 0xBF, 0xE1, 0x80, 0xC0}, 4, kBad, 2, {0xFF}},
      {k8to32, kLenient, {0xE0, 0xC0, 0xF0, 0xC0, 0xC3, 0xC0}, 8, kCut, 5, {kRep, kRep, kRep, kRep, kRep}},
      {k8to32, kLenient, {'x', 0xBF, 0xC1, 0xBF}, 4, kOk, 4, {'x', kRep, kRep, kRep}},
      {k8to32, kStrict, {0xE0, 0x9F, 0xBF}, 4, kBad, 0, {}},  // overlong
      {k8to32, kStrict, {0xED, 0xA0, 0x80}, 4, kBad, 0, {}},  // surrogate
      {k8to32, kStrict, {0xF0, 0x8F, 0xBF, 0xBF}, 4, kBad, 0, {}},
      {k8to32, kStrict, {0xF4, 0x90, 0x80, 0x80}, 4, kBad, 0, {}},  // past U+10FFFF
      {k8to32, kStrict, {0xF5, 0x80, 0x80, 0x80}, 4, kBad, 0, {}},
      {k8to32, kLenient, {0xE0, 0x9F, 0xED, 0xA0, 'a'}, 8, kOk, 5, {kRep, kRep, kRep, kRep, 'a'}},
      {k8to32, kLenient, {0xC3, 0xE2, 0x82, 0xF0, 0x9F, 0x98, 'z'}, 4, kOk, 7, {kRep, kRep, kRep, 'z'}},
      {k8to16, kLenient, {0xE2, 'A', 0xE2, 0x82}, 4, kCut, 2, {kRep, 'A'}},
      {k8to32, kBoth, {'a', 0xE2, 0x82, 0xAC}, 1, kFull, 1, {'a'}},
      {k8to32, kBoth, {'a', 0xE2}, 1, kCut, 1, {'a'}},
      {k8to32, kStrict, {'a', 0x80}, 1, kBad, 1, {'a'}},
      {k8to32, kLenient, {'a', 0x80}, 1, kFull, 1, {'a'}},
      {k8to16, kBoth, {0xF0, 0x9F, 0x98, 0x80}, 1, kFull, 0, {}},
      {k16to32, kStrict, {'a', 0xDC00}, 4, kBad, 1, {'a'}},
      {k16to32, kLenient, {'a', 0xDC00}, 4, kOk, 2, {'a', kRep}},
      {k16to32, kStrict, {'a', 0xDFFF}, 1, kBad, 1, {'a'}},
      {k16to32, kLenient, {'a', 0xDFFF}, 1, kFull, 1, {'a'}},
      {k16to32, kBoth, {'a', 0xD800}, 1, kCut, 1, {'a'}},
      {k16to8, kStrict, {0xDBFF, 0xE000}, 8, kBad, 0, {}},
      {k16to8, kLenient, {0xDBFF, 0xE000}, 8, kOk, 2, {0xEF, 0xBF, 0xBD, 0xEE, 0x80, 0x80}},
      {k16to32, kLenient, {0xD800, 0xD800, 0xDC00}, 4, kOk, 3, {kRep, 0x10000}},
      {k16to8, kBoth, {'a', 0xD83D, 0xDE00}, 4, kFull, 1, {'a'}},
      {k32to8, kBoth, {'a', 0x110000, 'b'}, 8, kBad, 3, {'a', 0xEF, 0xBF, 0xBD, 'b'}},
      {k32to16, kStrict, {'a', 0x110000, 'b'}, 4, kBad, 3, {'a', 'b'}},
      {k32to16, kLenient, {'a', 0xFFFFFFFF, 'b'}, 4, kOk, 3, {'a', kRep, 'b'}},
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
    SCOPED_TRACE(testing::PrintToString(std::make_tuple(c.dir, c.modes, c.src)));
    for (ConversionFlags flags : {strictConversion, lenientConversion}) {
      if (c.modes == kBoth || static_cast<int>(c.modes) == flags) {
        auto got = kRun[c.dir](c.src, c.room, flags);
        EXPECT_EQ(std::make_tuple(c.result, c.used, c.out), std::make_tuple(got.result, got.used, got.out));
      }
    }
  }
}

}  // namespace
