// Bounded string copying, concatenation and formatted printing.
#include "lib/string/str.h"

#include <stdlib.h>
#include <string.h>

#include "lib/string/bsd_vsnprintf.h"
#include "lib/string/panic.h"
#include "lib/string/utf8_boundary.h"

namespace {

const char kSourceFile[] = "lib/string/str";
const char kTooSmall[] = "%s:%d Buffer too small\n";
const char kVerify[] = "VERIFY %s:%d\n";

// Source lines reported with each fatal check.
constexpr int kSprintfCLocaleLine = 177;
constexpr int kSprintfLine = 214;
constexpr int kStrcpyLine = 284;
constexpr int kStrncpyLine = 322;
constexpr int kStrcatLine = 444;
constexpr int kStrncatLine = 498;
constexpr int kSafeVasprintfLine = 657;

[[noreturn]] void BufferTooSmall(int line) {
  Panic(kTooSmall, kSourceFile, line);
}

// Cuts the formatted text in buf so that no UTF-8 character is split.
void TruncateUtf8(char* buf, size_t size) {
  if (size > 0) {
    buf[Utf8SafeCut(buf, size)] = '\0';
  }
}

// Runs a formatter of the engine into the caller's buffer: a null buffer
// of size 0 must not make the engine allocate.
using Engine = int (*)(char**, size_t, const char*, va_list);

int FormatInto(Engine engine, char* buf, size_t size, const char* fmt, va_list ap) {
  char unused = '\0';
  char* target = (buf == nullptr && size == 0) ? &unused : buf;
  int result = engine(&target, size, fmt, ap);
  if (result < 0 || static_cast<size_t>(result) >= size) {
    TruncateUtf8(target, size);
    return -1;
  }
  return result;
}

}  // namespace

extern "C" {

int Str_Vsnprintf(char* buf, size_t size, const char* fmt, va_list ap) {
  return FormatInto(bsd_vsnprintf, buf, size, fmt, ap);
}

int Str_Snprintf(char* buf, size_t size, const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  int result = Str_Vsnprintf(buf, size, fmt, ap);
  va_end(ap);
  return result;
}

int Str_Sprintf(char* buf, size_t size, const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  int result = Str_Vsnprintf(buf, size, fmt, ap);
  va_end(ap);
  if (result < 0) {
    BufferTooSmall(kSprintfLine);
  }
  return result;
}

int Str_Sprintf_C_Locale(char* buf, size_t size, const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  int result = FormatInto(bsd_vsnprintf_c_locale, buf, size, fmt, ap);
  va_end(ap);
  if (result < 0) {
    BufferTooSmall(kSprintfCLocaleLine);
  }
  return result;
}

size_t Str_Strlen(const char* s, size_t maxLen) {
  const void* nul = memchr(s, '\0', maxLen);
  return nul == nullptr ? maxLen : static_cast<size_t>(static_cast<const char*>(nul) - s);
}

char* Str_Strcpy(char* dst, const char* src, size_t size) {
  size_t len = strlen(src);
  if (len >= size) {
    BufferTooSmall(kStrcpyLine);
  }
  return static_cast<char*>(memcpy(dst, src, len + 1));
}

char* Str_Strncpy(char* dst, size_t size, const char* src, size_t n) {
  size_t len = Str_Strlen(src, n);
  if (len >= size) {
    BufferTooSmall(kStrncpyLine);
  }
  memcpy(dst, src, len);
  dst[len] = '\0';
  return dst;
}

char* Str_Strcat(char* buf, const char* src, size_t size) {
  size_t bufLen = Str_Strlen(buf, size);
  size_t srcLen = strlen(src);
  size_t total = bufLen + srcLen;
  if (total < bufLen || total >= size) {
    BufferTooSmall(kStrcatLine);
  }
  memcpy(buf + bufLen, src, srcLen + 1);
  return buf;
}

char* Str_Strncat(char* buf, size_t size, const char* src, size_t n) {
  size_t bufLen = Str_Strlen(buf, size);
  // Only fatal when both the limit and the text itself reach the end: a
  // generous n with a short src is fine.
  bool limitReaches = bufLen >= size || n >= size - bufLen;
  if (limitReaches) {
    size_t srcLen = Str_Strlen(src, n);
    if (bufLen >= size || srcLen >= size - bufLen) {
      BufferTooSmall(kStrncatLine);
    }
  }
  return strncat(buf, src, n);
}

char* Str_Strnstr(const char* s, const char* sub, size_t n) {
  size_t subLen = strlen(sub);
  if (subLen == 0) {
    return const_cast<char*>(s);
  }
  size_t len = Str_Strlen(s, n);
  for (size_t i = 0; i + subLen <= len; i++) {
    if (s[i] == sub[0] && memcmp(s + i, sub, subLen) == 0) {
      return const_cast<char*>(s + i);
    }
  }
  return nullptr;
}

char* Str_ToLower(char* s) {
  for (char* p = s; *p != '\0'; p++) {
    if (*p >= 'A' && *p <= 'Z') {
      *p = static_cast<char>(*p - 'A' + 'a');
    }
  }
  return s;
}

char* Str_ToUpper(char* s) {
  for (char* p = s; *p != '\0'; p++) {
    if (*p >= 'a' && *p <= 'z') {
      *p = static_cast<char>(*p - 'a' + 'A');
    }
  }
  return s;
}

char* Str_Vasprintf(size_t* length, const char* fmt, va_list ap) {
  char* buf = nullptr;
  int result = bsd_vsnprintf(&buf, 0, fmt, ap);
  if (result < 0) {
    return nullptr;
  }
  if (length != nullptr) {
    *length = static_cast<size_t>(result);
  }
  return buf;
}

char* Str_Asprintf(size_t* length, const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  char* buf = Str_Vasprintf(length, fmt, ap);
  va_end(ap);
  return buf;
}

char* Str_SafeVasprintf(size_t* length, const char* fmt, va_list ap) {
  char* buf = Str_Vasprintf(length, fmt, ap);
  if (buf == nullptr) {
    Panic(kVerify, kSourceFile, kSafeVasprintfLine);
  }
  return buf;
}

char* Str_SafeAsprintf(size_t* length, const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  char* buf = Str_SafeVasprintf(length, fmt, ap);
  va_end(ap);
  return buf;
}

}  // extern "C"
