// Internal pieces of the formatting engine: the output object, the digit
// helpers, the positional-argument tables and the format-spec parser.
#ifndef OSTREL_LIB_STRING_BSD_FMT_INTERNAL_H
#define OSTREL_LIB_STRING_BSD_FMT_INTERNAL_H

#include <stdarg.h>
#include <stddef.h>
#include <stdint.h>
#include <wchar.h>

// ---------------------------------------------------------------------------
// Output object.

// Pieces of output are gathered as (pointer, length) pairs and written to
// the buffer in one pass when this many are pending.
constexpr int kBSDFmtMaxPieces = 8;

struct BSDFmt_Piece {
  const char* data;
  size_t len;
};

struct BSDFmt_Output {
  bool allocMode;  // the buffer is ours and grows as needed
  bool error;      // an allocation failed; later output is dropped
  char* buf;
  size_t size;    // bytes available at buf, NUL included
  size_t stored;  // bytes stored so far
  BSDFmt_Piece pending[kBSDFmtMaxPieces];
  int pendingCount;
  size_t pendingLen;
};

// Writes `count` pieces of `len` bytes in total into the buffer, growing it
// in allocation mode and dropping what does not fit otherwise. Returns 0, or
// -1 when the buffer could not grow.
int BSDFmt_SFVWrite(BSDFmt_Output* out, const BSDFmt_Piece* pieces, int count, size_t len);
// Writes the pending pieces and forgets them.
int BSDFmt_SPrint(BSDFmt_Output* out);

// Queues len bytes at data; they must stay valid until the next BSDFmt_SPrint.
inline void BSDFmt_Put(BSDFmt_Output* out, const char* data, size_t len) {
  if (len == 0) {
    return;
  }
  BSDFmt_Piece& piece = out->pending[out->pendingCount++];
  piece.data = data;
  piece.len = len;
  out->pendingLen += len;
  if (out->pendingCount == kBSDFmtMaxPieces) {
    BSDFmt_SPrint(out);
  }
}

// Queues `count` blanks or zeros, 16 at a time.
void BSDFmt_PadRun(BSDFmt_Output* out, long long count, bool zeros);
inline void BSDFmt_Pad(BSDFmt_Output* out, long long count, bool zeros) {
  if (count > 0) {
    BSDFmt_PadRun(out, count, zeros);
  }
}

// ---------------------------------------------------------------------------
// Digits.

extern const char xdigs_lower[17];  // "0123456789abcdef"
extern const char xdigs_upper[17];  // "0123456789ABCDEF"

// Thousands grouping for decimal digits: the group sizes (as in
// localeconv()->grouping) and the separator. Null groups: no grouping.
struct BSDFmt_Grouping {
  const char* groups;
  char separator;
};

// Write the digits of val backwards, ending just before endp, and return a
// pointer to the first. base is 8, 10 or 16 (anything else aborts); octzero
// puts a leading 0 before octal digits that do not start with one; grouping
// (base 10 only, may be null) inserts thousands separators.
char* BSDFmt_ULToA(unsigned long val, char* endp, int base, bool octzero, const char* xdigs,
                   const BSDFmt_Grouping* grouping);
char* BSDFmt_UJToA(uintmax_t val, char* endp, int base, bool octzero, const char* xdigs,
                   const BSDFmt_Grouping* grouping);

// Writes the n digits at `digits` backwards, ending just before endp, with
// thousands separators as grouping asks; returns a pointer to the first.
char* BSDFmt_GroupDigits(const char* digits, size_t n, char* endp, const BSDFmt_Grouping* grouping);

// Writes the exponent suffix ("e+05", "E-123") for exp and returns its length.
int BSDFmt_Exponent(char* p, int exp, int expchar);

// Decimal digits of value as dtoa() makes them, into buf of bufSize bytes
// instead of a new allocation; the digits after the point (mode 3) are
// computed directly rather than through fcvt_r, to the same text. Returns
// false when the conversion fails.
bool BSDFmt_DigitsInto(double value, int mode, int ndigits, char* buf, size_t bufSize, int* decpt, int* sign,
                       char** rve);
// Room the digit conversion needs.
constexpr size_t kBSDFmtDigitBufferSize = 349;
// The C library's digit conversion gives no more digits than this.
constexpr int kBSDFmtMaxFloatDigits = 17;

// A wide string as UTF-8 of at most prec bytes (-1: no limit), NUL
// terminated, in a malloc() buffer; null when memory runs out.
char* BSDFmt_WCharToUTF8(const wchar_t* wcsarg, int prec);

// ---------------------------------------------------------------------------
// Format specifications.

enum BSDFmt_Flag : unsigned {
  kFmtLeft = 1u << 0,   // '-'
  kFmtPlus = 1u << 1,   // '+'
  kFmtSpace = 1u << 2,  // ' '
  kFmtAlt = 1u << 3,    // '#'
  kFmtZero = 1u << 4,   // '0'
  kFmtGroup = 1u << 5,  // '\''
};

enum class BSDFmt_Length : unsigned char {
  kNone,
  kChar,      // hh
  kShort,     // h
  kLong,      // l
  kLongLong,  // ll, L, q, I64
  kIntMax,    // j
  kPtrDiff,   // t
  kSize,      // z, Z, I
};

// One parsed conversion. Argument numbers are 1-based; 0 means "the next
// one in order" for an argument that is consumed, or "none" otherwise.
struct BSDFmt_Spec {
  unsigned flags;
  int width;       // -1: none given
  int prec;        // -1: none given
  bool widthStar;  // width from an argument
  bool precStar;   // precision from an argument
  int widthPos;    // position of the width argument ('*m$'), 0: next
  int precPos;     // position of the precision argument, 0: next
  int valuePos;    // position of the value ('n$'), 0: next
  BSDFmt_Length length;
  bool longDouble;  // ll, L or q before a floating conversion
  bool tooLarge;    // a number in the spec does not fit an int
  char conv;        // conversion character; '\0' when the format ended
};

// BSDFmt_ParseSpec, BSDFmt_AssignArgs and BSDFmt_ValueType: bsd_fmt_spec.h.

// True when the spec names any argument by position.
inline bool BSDFmt_IsPositional(const BSDFmt_Spec& s) {
  return s.valuePos > 0 || (s.widthStar && s.widthPos > 0) || (s.precStar && s.precPos > 0);
}

// ---------------------------------------------------------------------------
// Positional arguments.

// Types of arguments as far as fetching them from a va_list goes.
enum BSDFmt_ArgType : uint32_t {
  kArgUnused = 0,
  kArgInt,      // int and everything promoted to it, wint_t included
  kArgInt64,    // long, long long, intmax_t, size_t, ptrdiff_t
  kArgPointer,  // any pointer
  kArgDouble,
  kArgLongDouble,
};

// One slot of the value table.
union BSDFmt_Arg {
  int intArg;
  long long int64Arg;
  void* pointerArg;
  double doubleArg;
  long double longDoubleArg;
};
static_assert(sizeof(BSDFmt_Arg) == 16, "one 16-byte slot per argument");

// Room in the built-in type and value tables.
constexpr int kBSDFmtStaticArgs = 8;
// Highest argument position accepted.
constexpr int kBSDFmtMaxArgPosition = 4096;

// Grows the type table to hold index `needed`: to the larger of needed + 1
// and twice the old size, with the new entries unused. A table that is not
// `staticTable` is heap memory and is reallocated. Aborts when memory runs
// out.
void BSDFmt_GrowTypeTable(uint32_t** typeTable, int* tableSize, int needed, uint32_t* staticTable);

// Scans the whole format for the type of every argument, then fetches all of
// them from ap into *argTable: staticTable when they fit, else a new heap
// table that the caller frees. Returns the highest argument number, or -1
// when a position is out of range.
int BSDFmt_FindArguments(const char* fmt, va_list ap, BSDFmt_Arg** argTable,
                         BSDFmt_Arg staticTable[kBSDFmtStaticArgs]);

// The argument numbers a spec uses (BSDFmt_AssignArgs).
struct BSDFmt_ArgIndices {
  int width;  // 0: none
  int prec;   // 0: none
  int value;  // 0: none
};

#endif  // OSTREL_LIB_STRING_BSD_FMT_INTERNAL_H
