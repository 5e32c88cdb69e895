// Integer and exponent digits for the formatting engine.
#include <limits.h>
#include <stdlib.h>

#include "lib/string/bsd_fmt_internal.h"

const char xdigs_lower[17] = "0123456789abcdef";
const char xdigs_upper[17] = "0123456789ABCDEF";

namespace {

// Tracks where the next thousands separator goes while digits are written
// from the right.
class GroupCursor {
 public:
  explicit GroupCursor(const BSDFmt_Grouping* grouping)
      : groups_(grouping != nullptr && grouping->separator != '\0' ? grouping->groups : nullptr),
        separator_(grouping != nullptr ? grouping->separator : '\0') {}

  // Called before each digit but the first: writes a separator when the
  // current group is full.
  char* BeforeDigit(char* cp) {
    if (groups_ == nullptr) {
      return cp;
    }
    if (++inGroup_ <= GroupSize()) {
      return cp;
    }
    *--cp = separator_;
    inGroup_ = 1;
    if (groups_[1] != '\0') {
      groups_++;
    }
    return cp;
  }

 private:
  // A group size of 0, negative or CHAR_MAX ends grouping.
  int GroupSize() const {
    int size = static_cast<unsigned char>(*groups_);
    if (*groups_ <= 0 || *groups_ == CHAR_MAX) {
      return INT_MAX;
    }
    return size;
  }

  const char* groups_;
  char separator_;
  int inGroup_ = 1;
};

// "00" "01" ... "99": two decimal digits per step.
constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

char* Decimal(unsigned long val, char* cp) {
  while (val >= 100) {
    unsigned long pair = (val % 100) * 2;
    val /= 100;
    *--cp = kDigitPairs[pair + 1];
    *--cp = kDigitPairs[pair];
  }
  if (val >= 10) {
    *--cp = kDigitPairs[val * 2 + 1];
    *--cp = kDigitPairs[val * 2];
  } else {
    *--cp = static_cast<char>('0' + val);
  }
  return cp;
}

char* GroupedDecimal(unsigned long val, char* cp, const BSDFmt_Grouping* grouping) {
  GroupCursor cursor(grouping);
  *--cp = static_cast<char>('0' + val % 10);
  val /= 10;
  while (val != 0) {
    cp = cursor.BeforeDigit(cp);
    *--cp = static_cast<char>('0' + val % 10);
    val /= 10;
  }
  return cp;
}

}  // namespace

char* BSDFmt_ULToA(unsigned long val, char* endp, int base, bool octzero, const char* xdigs,
                   const BSDFmt_Grouping* grouping) {
  char* cp = endp;
  switch (base) {
    case 10:
      if (grouping != nullptr && grouping->groups != nullptr) {
        return GroupedDecimal(val, cp, grouping);
      }
      return Decimal(val, cp);
    case 8:
      do {
        *--cp = static_cast<char>('0' + (val & 7));
        val >>= 3;
      } while (val != 0);
      if (octzero && *cp != '0') {
        *--cp = '0';
      }
      return cp;
    case 16:
      do {
        *--cp = xdigs[val & 15];
        val >>= 4;
      } while (val != 0);
      return cp;
    default:
      abort();
  }
}

char* BSDFmt_UJToA(uintmax_t val, char* endp, int base, bool octzero, const char* xdigs,
                   const BSDFmt_Grouping* grouping) {
  static_assert(sizeof(uintmax_t) == sizeof(unsigned long), "LP64: one digit loop serves both widths");
  return BSDFmt_ULToA(static_cast<unsigned long>(val), endp, base, octzero, xdigs, grouping);
}

char* BSDFmt_GroupDigits(const char* digits, size_t n, char* endp, const BSDFmt_Grouping* grouping) {
  char* cp = endp;
  if (n == 0) {
    return cp;
  }
  GroupCursor cursor(grouping);
  *--cp = digits[--n];
  while (n > 0) {
    cp = cursor.BeforeDigit(cp);
    *--cp = digits[--n];
  }
  return cp;
}

int BSDFmt_Exponent(char* p, int exp, int expchar) {
  char* start = p;
  *p++ = static_cast<char>(expchar);
  unsigned magnitude;
  if (exp < 0) {
    *p++ = '-';
    magnitude = 0u - static_cast<unsigned>(exp);
  } else {
    *p++ = '+';
    magnitude = static_cast<unsigned>(exp);
  }
  char digits[12];
  char* end = digits + sizeof digits;
  char* d = end;
  do {
    *--d = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  if (end - d < 2) {
    *--d = '0';
  }
  while (d < end) {
    *p++ = *d++;
  }
  return static_cast<int>(p - start);
}
