// Format-spec parsing and the positional-argument tables of the engine.
#include <limits.h>
#include <stdlib.h>
#include <string.h>

#include "lib/string/bsd_fmt_internal.h"

namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Reads a decimal number; marks the spec when it does not fit an int.
const char* ReadNumber(const char* p, int* value, BSDFmt_Spec* spec) {
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
const char* ReadStarPosition(const char* p, int* pos, BSDFmt_Spec* spec) {
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

const char* ReadFlags(const char* p, unsigned* flags) {
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

const char* ReadLength(const char* p, BSDFmt_Spec* spec) {
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
BSDFmt_ArgType IntegerType(BSDFmt_Length length) {
  switch (length) {
    case BSDFmt_Length::kNone:
    case BSDFmt_Length::kChar:
    case BSDFmt_Length::kShort:
      return kArgInt;
    default:
      return kArgInt64;
  }
}

// Records that argument `index` has type `type`, growing the table as needed.
// Returns false when the index is out of range.
bool SetType(uint32_t** table, int* tableSize, uint32_t* staticTable, int index, BSDFmt_ArgType type,
             int* maxIndex) {
  if (index <= 0 || index > kBSDFmtMaxArgPosition) {
    return false;
  }
  if (index >= *tableSize) {
    BSDFmt_GrowTypeTable(table, tableSize, index, staticTable);
  }
  (*table)[index] = type;
  if (index > *maxIndex) {
    *maxIndex = index;
  }
  return true;
}

void FetchArgument(BSDFmt_Arg* slot, uint32_t type, va_list* ap) {
  switch (type) {
    case kArgInt64:
      slot->int64Arg = va_arg(*ap, long long);
      break;
    case kArgPointer:
      slot->pointerArg = va_arg(*ap, void*);
      break;
    case kArgDouble:
      slot->doubleArg = va_arg(*ap, double);
      break;
    case kArgLongDouble:
      slot->longDoubleArg = va_arg(*ap, long double);
      break;
    case kArgInt:
    case kArgUnused:  // a gap in the numbering: assume an int
    default:
      slot->intArg = va_arg(*ap, int);
      break;
  }
}

}  // namespace

const char* BSDFmt_ParseSpec(const char* p, BSDFmt_Spec* spec) {
  *spec = BSDFmt_Spec{};
  spec->width = -1;
  spec->prec = -1;
  spec->length = BSDFmt_Length::kNone;

  // An argument position "n$", or a width right after the '%'.
  bool haveWidth = false;
  if (*p >= '1' && *p <= '9') {
    int n = 0;
    const char* end = ReadNumber(p, &n, spec);
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
    p = ReadFlags(p, &spec->flags);
    if (*p == '*') {
      spec->widthStar = true;
      p = ReadStarPosition(p + 1, &spec->widthPos, spec);
    } else if (IsDigit(*p)) {
      p = ReadNumber(p, &spec->width, spec);
    }
  }
  if (*p == '.') {
    p++;
    if (*p == '*') {
      spec->precStar = true;
      p = ReadStarPosition(p + 1, &spec->precPos, spec);
    } else {
      p = ReadNumber(p, &spec->prec, spec);
    }
  }
  p = ReadLength(p, spec);
  spec->conv = *p;
  return *p == '\0' ? p : p + 1;
}

BSDFmt_ArgIndices BSDFmt_AssignArgs(const BSDFmt_Spec& spec, int* next) {
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

BSDFmt_ArgType BSDFmt_ValueType(const BSDFmt_Spec& spec) {
  switch (spec.conv) {
    case 'd':
    case 'i':
    case 'o':
    case 'u':
    case 'x':
    case 'X':
      return IntegerType(spec.length);
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

void BSDFmt_GrowTypeTable(uint32_t** typeTable, int* tableSize, int needed, uint32_t* staticTable) {
  int oldSize = *tableSize;
  int newSize = oldSize * 2;
  if (needed + 1 > newSize) {
    newSize = needed + 1;
  }
  uint32_t* grown;
  if (*typeTable == staticTable) {
    grown = static_cast<uint32_t*>(malloc(sizeof(uint32_t) * static_cast<size_t>(newSize)));
    if (grown != nullptr) {
      memcpy(grown, *typeTable, sizeof(uint32_t) * static_cast<size_t>(oldSize));
    }
  } else {
    grown = static_cast<uint32_t*>(realloc(*typeTable, sizeof(uint32_t) * static_cast<size_t>(newSize)));
  }
  if (grown == nullptr) {
    abort();
  }
  for (int i = oldSize; i < newSize; i++) {
    grown[i] = kArgUnused;
  }
  *typeTable = grown;
  *tableSize = newSize;
}

int BSDFmt_FindArguments(const char* fmt, va_list ap, BSDFmt_Arg** argTable,
                         BSDFmt_Arg staticTable[kBSDFmtStaticArgs]) {
  uint32_t staticTypes[kBSDFmtStaticArgs] = {};
  uint32_t* types = staticTypes;
  int tableSize = kBSDFmtStaticArgs;
  int maxIndex = 0;
  int next = 1;
  bool ok = true;

  // Pass 1: the type of every argument, numbered as the engine numbers them.
  for (const char* p = fmt; ok && *p != '\0';) {
    if (*p++ != '%') {
      continue;
    }
    BSDFmt_Spec spec;
    p = BSDFmt_ParseSpec(p, &spec);
    if (spec.conv == '\0') {
      break;
    }
    BSDFmt_ArgIndices idx = BSDFmt_AssignArgs(spec, &next);
    if (idx.width != 0) {
      ok = SetType(&types, &tableSize, staticTypes, idx.width, kArgInt, &maxIndex);
    }
    if (ok && idx.prec != 0) {
      ok = SetType(&types, &tableSize, staticTypes, idx.prec, kArgInt, &maxIndex);
    }
    if (ok && idx.value != 0) {
      ok = SetType(&types, &tableSize, staticTypes, idx.value, BSDFmt_ValueType(spec), &maxIndex);
    }
  }

  // Pass 2: fetch the values in order of their numbers.
  if (ok) {
    *argTable = staticTable;
    if (maxIndex >= kBSDFmtStaticArgs) {
      *argTable = static_cast<BSDFmt_Arg*>(malloc(sizeof(BSDFmt_Arg) * static_cast<size_t>(maxIndex + 1)));
      if (*argTable == nullptr) {
        abort();
      }
    }
    va_list copy;
    va_copy(copy, ap);
    for (int i = 1; i <= maxIndex; i++) {
      FetchArgument(&(*argTable)[i], types[i], &copy);
    }
    va_end(copy);
  }
  if (types != staticTypes) {
    free(types);
  }
  return ok ? maxIndex : -1;
}
