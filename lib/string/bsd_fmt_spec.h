// The format-spec parser of the engine, shared by the engine's main loop
// and the positional-argument scan so that both read a format alike. Inline:
// it runs once per conversion.
#ifndef OSTREL_LIB_STRING_BSD_FMT_SPEC_H
#define OSTREL_LIB_STRING_BSD_FMT_SPEC_H

#include <limits.h>

#include "lib/string/bsd_fmt_internal.h"

namespace bsd_fmt_spec {

inline bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Reads a decimal number; marks the spec when it does not fit an int.
inline const char* ReadNumber(const char* p, int* value, BSDFmt_Spec* spec) {
  long long n = 0;
  for (; IsDigit(*p); p++) {
    n = n * 10 + (*p - '0');
    if (n > INT_MAX) {
      spec->tooLarge = true;
      n = INT_MAX;
    }
  }
  *value = static_cast<int>(n);
  return p;
}

// After '*': an optional position "m$". Returns the position, 0 if none.
inline const char* ReadStarPosition(const char* p, int* pos, BSDFmt_Spec* spec) {
  *pos = 0;
  if (*p < '1' || *p > '9') {
    return p;
  }
  int n = 0;
  const char* end = ReadNumber(p, &n, spec);
  if (*end != '$') {
    return p;
  }
  *pos = n;
  return end + 1;
}

inline const char* ReadFlags(const char* p, unsigned* flags) {
  for (;; p++) {
    switch (*p) {
      case '-':
        *flags |= kFmtLeft;
        break;
      case '+':
        *flags |= kFmtPlus;
        break;
      case ' ':
        *flags |= kFmtSpace;
        break;
      case '#':
        *flags |= kFmtAlt;
        break;
      case '0':
        *flags |= kFmtZero;
        break;
      case '\'':
        *flags |= kFmtGroup;
        break;
      default:
        return p;
    }
  }
}

inline const char* ReadLength(const char* p, BSDFmt_Spec* spec) {
  switch (*p) {
    case 'h':
      if (p[1] == 'h') {
        spec->length = BSDFmt_Length::kChar;
        return p + 2;
      }
      spec->length = BSDFmt_Length::kShort;
      return p + 1;
    case 'l':
      if (p[1] == 'l') {
        spec->length = BSDFmt_Length::kLongLong;
        spec->longDouble = true;
        return p + 2;
      }
      spec->length = BSDFmt_Length::kLong;
      return p + 1;
    case 'L':
    case 'q':
      spec->length = BSDFmt_Length::kLongLong;
      spec->longDouble = true;
      return p + 1;
    case 'j':
      spec->length = BSDFmt_Length::kIntMax;
      return p + 1;
    case 't':
      spec->length = BSDFmt_Length::kPtrDiff;
      return p + 1;
    case 'z':
    case 'Z':
      spec->length = BSDFmt_Length::kSize;
      return p + 1;
    case 'I':
      if (p[1] == '6' && p[2] == '4') {
        spec->length = BSDFmt_Length::kLongLong;
        return p + 3;
      }
      if (p[1] == '3' && p[2] == '2') {
        spec->length = BSDFmt_Length::kNone;
        return p + 3;
      }
      spec->length = BSDFmt_Length::kSize;
      return p + 1;
    default:
      return p;
  }
}

// Integer argument type for a length modifier.
inline BSDFmt_ArgType IntegerType(BSDFmt_Length length) {
  switch (length) {
    case BSDFmt_Length::kNone:
    case BSDFmt_Length::kChar:
    case BSDFmt_Length::kShort:
      return kArgInt;
    default:
      return kArgInt64;
  }
}

}  // namespace bsd_fmt_spec

inline const char* BSDFmt_ParseSpec(const char* p, BSDFmt_Spec* spec) {
  *spec = BSDFmt_Spec{};
  spec->width = -1;
  spec->prec = -1;
  spec->length = BSDFmt_Length::kNone;

  // An argument position "n$", or a width right after the '%'.
  bool haveWidth = false;
  if (*p >= '1' && *p <= '9') {
    int n = 0;
    const char* end = bsd_fmt_spec::ReadNumber(p, &n, spec);
    if (*end == '$') {
      spec->valuePos = n;
      p = end + 1;
    } else {
      spec->width = n;
      haveWidth = true;
      p = end;
    }
  }
  if (!haveWidth) {
    p = bsd_fmt_spec::ReadFlags(p, &spec->flags);
    if (*p == '*') {
      spec->widthStar = true;
      p = bsd_fmt_spec::ReadStarPosition(p + 1, &spec->widthPos, spec);
    } else if (bsd_fmt_spec::IsDigit(*p)) {
      p = bsd_fmt_spec::ReadNumber(p, &spec->width, spec);
    }
  }
  if (*p == '.') {
    p++;
    if (*p == '*') {
      spec->precStar = true;
      p = bsd_fmt_spec::ReadStarPosition(p + 1, &spec->precPos, spec);
    } else {
      p = bsd_fmt_spec::ReadNumber(p, &spec->prec, spec);
    }
  }
  p = bsd_fmt_spec::ReadLength(p, spec);
  spec->conv = *p;
  return *p == '\0' ? p : p + 1;
}

inline BSDFmt_ArgType BSDFmt_ValueType(const BSDFmt_Spec& spec) {
  switch (spec.conv) {
    case 'd':
    case 'i':
    case 'o':
    case 'u':
    case 'x':
    case 'X':
      return bsd_fmt_spec::IntegerType(spec.length);
    case 'D':
    case 'O':
    case 'U':
      return kArgInt64;
    case 'c':
    case 'C':
      return kArgInt;
    case 'p':
    case 's':
    case 'S':
    case 'n':
      return kArgPointer;
    case 'e':
    case 'E':
    case 'f':
    case 'F':
    case 'g':
    case 'G':
      return spec.longDouble ? kArgLongDouble : kArgDouble;
    default:
      return kArgUnused;
  }
}

inline BSDFmt_ArgIndices BSDFmt_AssignArgs(const BSDFmt_Spec& spec, int* next) {
  BSDFmt_ArgIndices idx{0, 0, 0};
  if (spec.widthStar) {
    idx.width = spec.widthPos > 0 ? spec.widthPos : (*next)++;
  }
  if (spec.precStar) {
    idx.prec = spec.precPos > 0 ? spec.precPos : (*next)++;
  }
  if (BSDFmt_ValueType(spec) != kArgUnused) {
    if (spec.valuePos > 0) {
      *next = spec.valuePos;
    }
    idx.value = (*next)++;
  }
  return idx;
}

#endif  // OSTREL_LIB_STRING_BSD_FMT_SPEC_H
