// Bounded string copying, concatenation and formatted printing.
//
// Fixed-buffer functions take the buffer size in bytes, including the
// terminating NUL, and never write past it: the copy and concatenation
// functions stop the process through Panic instead, the snprintf family
// reports truncation as -1 and leaves a NUL-terminated prefix that does not
// end in the middle of a UTF-8 character.
#ifndef OSTREL_LIB_STRING_STR_H
#define OSTREL_LIB_STRING_STR_H

#include <stdarg.h>
#include <stddef.h>

#include "lib/string/export.h"

#ifdef __cplusplus
extern "C" {
#endif

#define OSTREL_PRINTF_LIKE(fmtIndex, firstArg) __attribute__((format(printf, fmtIndex, firstArg)))

// Formats into buf; returns the length written (without NUL) when it is less
// than size, else -1 with buf holding the UTF-8-safe truncated text.
OSTREL_STRING_API int Str_Snprintf(char* buf, size_t size, const char* fmt, ...) OSTREL_PRINTF_LIKE(3, 4);
OSTREL_STRING_API int Str_Vsnprintf(char* buf, size_t size, const char* fmt, va_list ap);

// As Str_Snprintf, but a result that does not fit is fatal.
OSTREL_STRING_API int Str_Sprintf(char* buf, size_t size, const char* fmt, ...) OSTREL_PRINTF_LIKE(3, 4);
OSTREL_STRING_API int Str_Sprintf_C_Locale(char* buf, size_t size, const char* fmt, ...)
    OSTREL_PRINTF_LIKE(3, 4);

OSTREL_STRING_API char* Str_Strcpy(char* dst, const char* src, size_t size);
OSTREL_STRING_API char* Str_Strncpy(char* dst, size_t size, const char* src, size_t n);
OSTREL_STRING_API char* Str_Strcat(char* buf, const char* src, size_t size);
OSTREL_STRING_API char* Str_Strncat(char* buf, size_t size, const char* src, size_t n);

OSTREL_STRING_API size_t Str_Strlen(const char* s, size_t maxLen);
OSTREL_STRING_API char* Str_Strnstr(const char* s, const char* sub, size_t n);
OSTREL_STRING_API char* Str_ToLower(char* s);
OSTREL_STRING_API char* Str_ToUpper(char* s);

// Format into a new malloc() buffer; the caller frees it. The length (without
// NUL) is stored through length when that is not null. The Safe forms stop
// the process instead of returning null.
OSTREL_STRING_API char* Str_Vasprintf(size_t* length, const char* fmt, va_list ap);
OSTREL_STRING_API char* Str_Asprintf(size_t* length, const char* fmt, ...) OSTREL_PRINTF_LIKE(2, 3);
OSTREL_STRING_API char* Str_SafeVasprintf(size_t* length, const char* fmt, va_list ap);
OSTREL_STRING_API char* Str_SafeAsprintf(size_t* length, const char* fmt, ...) OSTREL_PRINTF_LIKE(2, 3);

#ifdef __cplusplus
}
#endif

#endif  // OSTREL_LIB_STRING_STR_H
