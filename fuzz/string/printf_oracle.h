// The engine and glibc's vsnprintf behind one call shape, and the printf
// specs both the differential test and the fuzz target generate: how a spec
// reads as written and with positional arguments, and which value glibc must
// format to show the engine's digits.
#ifndef OSTREL_FUZZ_STRING_PRINTF_ORACLE_H
#define OSTREL_FUZZ_STRING_PRINTF_ORACLE_H

#include <stddef.h>
#include <string.h>

#include <string>

namespace ostrel_fuzz {

// What a formatter returned and the bytes it stored.
struct Formatted {
  int result;
  std::string text;
  bool operator==(const Formatted& o) const { return result == o.result && text == o.text; }
};

Formatted CollectFormatted(int result, const char* buf, size_t size);
int EngineFormat(char* buf, size_t size, const char* fmt, ...);
int GlibcFormat(char* buf, size_t size, const char* fmt, ...);

constexpr size_t kOracleBufferSize = 512;

// The engine (bsd_vsnprintf, current locale) into a buffer of `size` bytes.
struct Ours {
  template <typename... A>
  Formatted operator()(const std::string& fmt, size_t size, A... args) const {
    char buf[kOracleBufferSize];
    memset(buf, 'Z', sizeof buf);
    return CollectFormatted(EngineFormat(buf, size, fmt.c_str(), args...), buf, size);
  }
};

// glibc's vsnprintf the same way.
struct Glibc {
  template <typename... A>
  Formatted operator()(const std::string& fmt, size_t size, A... args) const {
    char buf[kOracleBufferSize];
    memset(buf, 'Z', sizeof buf);
    return CollectFormatted(GlibcFormat(buf, size, fmt.c_str(), args...), buf, size);
  }
};

// One conversion; its value is passed separately.
struct PrintfSpec {
  char conv = 'd';
  std::string flags;
  std::string length;
  int width = -1;  // literal width, -1: none
  bool widthStar = false;
  int widthArg = 0;
  int prec = -2;  // literal precision, -2: none, -1: "." alone
  bool precStar = false;
  int precArg = 0;
};

inline bool IsFloatConversion(char c) {
  return c != '\0' && strchr("eEfFgG", c) != nullptr;
}
inline bool IsExponentStyle(char c) {
  return c != '\0' && strchr("eEgG", c) != nullptr;
}

// The spec as a format. positional: "%3$-*1$.*2$d" with the value last, or,
// valueFirst, "%1$-*2$.*3$d" with the value first. glibc reads an int for
// positional L and q integers, so those are written ll there.
std::string RenderSpec(const PrintfSpec& s, bool positional, bool valueFirst);

// Calls engine with the spec's '*' arguments and the value, in the order
// RenderSpec numbered them.
template <typename Engine, typename V>
Formatted WithStars(Engine engine, const PrintfSpec& s, const std::string& fmt, size_t size, bool valueFirst,
                    V v) {
  if (s.widthStar && s.precStar) {
    return valueFirst ? engine(fmt, size, v, s.widthArg, s.precArg)
                      : engine(fmt, size, s.widthArg, s.precArg, v);
  }
  if (s.widthStar || s.precStar) {
    int star = s.widthStar ? s.widthArg : s.precArg;
    return valueFirst ? engine(fmt, size, v, star) : engine(fmt, size, star, v);
  }
  return engine(fmt, size, v);
}

// The value glibc should format so that its digits are those of the C
// library's ecvt_r, which the engine's e and g conversions use: ecvt_r
// rounds after scaling, printf rounds exactly, and they can disagree in the
// last digit. With at most 15 digits the decimal text round-trips, except
// for subnormal values: false when no double shows the same digits.
bool SameDigitsForGlibc(const PrintfSpec& s, double value, double* same);

}  // namespace ostrel_fuzz

#endif  // OSTREL_FUZZ_STRING_PRINTF_ORACLE_H
