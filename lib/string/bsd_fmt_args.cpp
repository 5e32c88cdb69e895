// Format-spec parsing and the positional-argument tables of the engine.
#include <limits.h>
#include <stdlib.h>
#include <string.h>

#include "lib/string/bsd_fmt_internal.h"
#include "lib/string/bsd_fmt_spec.h"

namespace {

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
