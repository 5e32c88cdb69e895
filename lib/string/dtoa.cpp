// Decimal digits of floating-point values, from the C library's ecvt_r and
// fcvt_r.
#include <stdlib.h>
#include <string.h>

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

}  // namespace

bool BSDFmt_DigitsInto(double value, int mode, int ndigits, char* buf, size_t bufSize, int* decpt, int* sign,
                       char** rve) {
  int rc = mode == kSignificantDigitsMode ? ecvt_r(value, ndigits, decpt, sign, buf, bufSize)
                                          : fcvt_r(value, ndigits, decpt, sign, buf, bufSize);
  if (rc != 0) {
    return false;
  }
  *rve = EndOfSignificant(buf);
  return true;
}

extern "C" {

char* dtoa(double value, int mode, int ndigits, int* decpt, int* sign, char** rve) {
  char buf[kBSDFmtDigitBufferSize];
  char* end;
  if (!BSDFmt_DigitsInto(value, mode, ndigits, buf, sizeof buf, decpt, sign, &end)) {
    return nullptr;
  }
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
