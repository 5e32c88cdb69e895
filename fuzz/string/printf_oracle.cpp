// The engine and glibc side by side, for the differential test and fuzzing.
#include "fuzz/string/printf_oracle.h"

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>

#include <cmath>

#include "lib/string/bsd_vsnprintf.h"

namespace ostrel_fuzz {

Formatted CollectFormatted(int result, const char* buf, size_t size) {
  size_t stored = 0;
  if (size > 0) {
    stored = strnlen(buf, size - 1);
    if (result >= 0 && static_cast<size_t>(result) < size) {
      stored = static_cast<size_t>(result);  // %c of 0 stores a NUL inside
    } else if (result >= 0) {
      stored = size - 1;
    }
  }
  return {result, std::string(buf, stored)};
}

int EngineFormat(char* buf, size_t size, const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  int result = bsd_vsnprintf(&buf, size, fmt, ap);
  va_end(ap);
  return result;
}

int GlibcFormat(char* buf, size_t size, const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  int result = vsnprintf(buf, size, fmt, ap);
  va_end(ap);
  return result;
}

std::string RenderSpec(const PrintfSpec& s, bool positional, bool valueFirst) {
  int stars = (s.widthStar ? 1 : 0) + (s.precStar ? 1 : 0);
  int next = valueFirst ? 2 : 1;
  std::string out = "%";
  if (positional && s.conv != '%') {
    out += std::to_string(valueFirst ? 1 : stars + 1) + "$";
  }
  out += s.flags;
  if (s.widthStar) {
    out += positional ? "*" + std::to_string(next++) + "$" : "*";
  } else if (s.width >= 0) {
    out += std::to_string(s.width);
  }
  if (s.precStar) {
    out += positional ? ".*" + std::to_string(next++) + "$" : ".*";
  } else if (s.prec == -1) {
    out += ".";
  } else if (s.prec >= 0) {
    out += "." + std::to_string(s.prec);
  }
  std::string length = s.length;
  if (positional && (length == "L" || length == "q") && strchr("diouxX", s.conv) != nullptr) {
    length = "ll";
  }
  return out + length + s.conv;
}

bool SameDigitsForGlibc(const PrintfSpec& s, double value, double* same) {
  *same = value;
  if (!std::isfinite(value) || value == 0 || !IsExponentStyle(s.conv)) {
    return true;
  }
  int prec = s.prec == -2 ? 6 : s.prec == -1 ? 0 : s.prec;
  int ndigits = (s.conv == 'e' || s.conv == 'E') ? prec + 1 : (prec == 0 ? 1 : prec);
  char digits[400];
  int decpt = 0;
  int sign = 0;
  if (ecvt_r(value, ndigits, &decpt, &sign, digits, sizeof digits) != 0) {
    return false;
  }
  std::string wanted = std::string(digits).substr(0, static_cast<size_t>(ndigits));
  std::string text = std::string(sign ? "-" : "") + "0." + wanted + "e" + std::to_string(decpt);
  *same = strtod(text.c_str(), nullptr);
  if (std::isinf(*same)) {
    *same = value;  // rounded up past the largest double: exact rounding agrees
    return true;
  }
  // glibc prints `same` exactly: it must show ecvt_r's digits and exponent.
  char shown[64];
  snprintf(shown, sizeof shown, "%.*e", ndigits - 1, std::fabs(*same));
  std::string exact;
  const char* p = shown;
  for (; *p != 'e'; p++) {
    if (*p >= '0' && *p <= '9') {
      exact += *p;
    }
  }
  return exact == wanted && atoi(p + 1) == decpt - 1;
}

}  // namespace ostrel_fuzz
