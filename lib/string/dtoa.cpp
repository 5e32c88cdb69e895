// Decimal digits of floating-point values, from the C library's ecvt_r and
// fcvt_r.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include <algorithm>
#include <charconv>
#include <cmath>

#include "lib/string/bsd_fmt_internal.h"
#include "lib/string/bsd_vsnprintf.h"

namespace {

constexpr int kSignificantDigitsMode = 2;

// Just after the last digit that is not a trailing zero; the start when all
// digits are zeros.
char* EndOfSignificant(char* digits) {
  char* end = digits + strlen(digits);
  while (end > digits && end[-1] == '0') {
    end--;
  }
  return end;
}

// The "%.*f" text of magnitude when it is exact with `decimals` decimals
// and small enough that magnitude * 10^decimals is an integer below 2^53,
// as 1.5 or 0.25 are; null otherwise. Such values need no rounding, so
// their digits are those of their scaled integer.
char* ShortFixedText(double magnitude, int decimals, char* text) {
  static const double kPowersOfTen[] = {1e0, 1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,
                                        1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15, 1e16, 1e17};
  constexpr double kExactIntegers = 9007199254740992.0;  // 2^53
  double power = kPowersOfTen[decimals];
  double scaled = magnitude * power;
  if (!(scaled < kExactIntegers) || std::fma(magnitude, power, -scaled) != 0 ||
      scaled != std::floor(scaled)) {
    return nullptr;
  }
  char digits[24];
  int count = 0;
  for (uint64_t n = static_cast<uint64_t>(scaled); n != 0 || count == 0; n /= 10) {
    digits[count++] = static_cast<char>('0' + n % 10);
  }
  while (count < decimals + 1) {
    digits[count++] = '0';
  }
  char* out = text;
  while (count > 0) {
    if (count == decimals) {
      *out++ = '.';
    }
    *out++ = digits[--count];
  }
  return out;
}

// Digits after the point as fcvt_r makes them, without its detour through
// snprintf: the exact decimal text with ndigits (at most 17) decimals, the
// point removed, and for values below 1 the leading zeros counted into
// decpt instead. Infinity, NaN and negative ndigits go to fcvt_r itself.
bool FixedDigits(double value, int ndigits, char* buf, size_t bufSize, int* decpt, int* sign) {
  if (!std::isfinite(value) || ndigits < 0) {
    return fcvt_r(value, ndigits, decpt, sign, buf, bufSize) == 0;
  }
  *sign = std::signbit(value) ? 1 : 0;
  double magnitude = std::fabs(value);
  int decimals = std::min(ndigits, kBSDFmtMaxFloatDigits);
  char text[kBSDFmtDigitBufferSize];
  char* textEnd = ShortFixedText(magnitude, decimals, text);
  if (textEnd == nullptr) {
    std::to_chars_result conv =
        std::to_chars(text, text + sizeof text, magnitude, std::chars_format::fixed, decimals);
    if (conv.ec != std::errc()) {
      return false;
    }
    textEnd = conv.ptr;
  }
  if (static_cast<size_t>(textEnd - text) >= bufSize) {
    return false;
  }
  const char* begin = text;
  const char* end = textEnd;
  const char* point = std::find(begin, end, '.');
  *decpt = static_cast<int>(point - begin);
  char* out = buf;
  if (point == end) {
    out = std::copy(begin, end, out);
  } else if (*decpt == 1 && text[0] == '0' && magnitude != 0) {
    const char* first = point + 1;
    *decpt = 0;
    while (first < end && *first == '0') {
      (*decpt)--;
      first++;
    }
    out = std::copy(first, end, out);
  } else {
    out = std::copy(begin, point, out);
    out = std::copy(point + 1, end, out);
  }
  *out = '\0';
  return true;
}

}  // namespace

bool BSDFmt_DigitsInto(double value, int mode, int ndigits, char* buf, size_t bufSize, int* decpt, int* sign,
                       char** rve) {
  bool ok = mode == kSignificantDigitsMode ? ecvt_r(value, ndigits, decpt, sign, buf, bufSize) == 0
                                           : FixedDigits(value, ndigits, buf, bufSize, decpt, sign);
  if (!ok) {
    return false;
  }
  *rve = EndOfSignificant(buf);
  return true;
}

extern "C" {

char* dtoa(double value, int mode, int ndigits, int* decpt, int* sign, char** rve) {
  char buf[kBSDFmtDigitBufferSize];
  int rc = mode == kSignificantDigitsMode ? ecvt_r(value, ndigits, decpt, sign, buf, sizeof buf)
                                          : fcvt_r(value, ndigits, decpt, sign, buf, sizeof buf);
  if (rc != 0) {
    return nullptr;
  }
  char* end = EndOfSignificant(buf);
  char* digits = strdup(buf);
  if (digits == nullptr) {
    return nullptr;
  }
  if (rve != nullptr) {
    *rve = digits + (end - buf);
  }
  return digits;
}

char* ldtoa(long double* value, int mode, int ndigits, int* decpt, int* sign, char** rve) {
  return dtoa(static_cast<double>(*value), mode, ndigits, decpt, sign, rve);
}

void freedtoa(char* digits) {
  free(digits);
}

}  // extern "C"
