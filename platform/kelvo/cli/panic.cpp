// The host process's fatal-error function, resolved by plug-ins at load
// time.

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

extern "C" __attribute__((visibility("default"), format(printf, 1, 2))) [[noreturn]] void Panic(
    const char* fmt, ...) {
  std::va_list args;
  va_start(args, fmt);
  if (fmt) {
    std::vfprintf(stderr, fmt, args);
  }
  va_end(args);
  std::fputc('\n', stderr);
  std::fflush(stderr);
  std::abort();
}
