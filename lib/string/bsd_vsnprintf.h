// A printf-style formatting engine of the BSD family, and its digit glue.
//
// The engine either writes into a caller's buffer of `size` bytes (storing at
// most size - 1 bytes and a NUL) or, when *outbuf is null, into a buffer it
// allocates and hands back through outbuf. It returns the length of the whole
// output without the NUL, stored or not, or -1 on failure.
#ifndef OSTREL_LIB_STRING_BSD_VSNPRINTF_H
#define OSTREL_LIB_STRING_BSD_VSNPRINTF_H

#include <stdarg.h>
#include <stddef.h>
#include <wchar.h>

#include "lib/string/export.h"

#ifdef __cplusplus
extern "C" {
#endif

// Decimal point, thousands separator and grouping of the current locale.
OSTREL_STRING_API int bsd_vsnprintf(char** outbuf, size_t size, const char* fmt, va_list ap);
// Decimal point ".", separator "," and no grouping.
OSTREL_STRING_API int bsd_vsnprintf_c_locale(char** outbuf, size_t size, const char* fmt, va_list ap);
// The engine itself. grouping may be null (no grouping); only the first
// character of decimalPoint is printed.
OSTREL_STRING_API int bsd_vsnprintf_core(char** outbuf, const char* grouping, char thousandsSep,
                                         const char* decimalPoint, size_t size, const char* fmt, va_list ap);

// Decimal digits of value. mode 2: ndigits significant digits; any other
// mode: ndigits digits after the point. Returns a malloc()ed digit string
// (free it with freedtoa), or null on failure; *decpt is the position of the
// decimal point, *sign is non-zero for negative values, *rve points after the
// last digit that is not a trailing zero.
OSTREL_STRING_API char* dtoa(double value, int mode, int ndigits, int* decpt, int* sign, char** rve);
// As dtoa; the value is narrowed to double first.
OSTREL_STRING_API char* ldtoa(long double* value, int mode, int ndigits, int* decpt, int* sign, char** rve);
OSTREL_STRING_API void freedtoa(char* digits);

// The wide character of a one-byte character of the current locale, or WEOF.
OSTREL_STRING_API wint_t bsd_btowc(int c);

#ifdef __cplusplus
}
#endif

#endif  // OSTREL_LIB_STRING_BSD_VSNPRINTF_H
