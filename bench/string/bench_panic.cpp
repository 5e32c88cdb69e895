// The host's fatal-error hook for the benchmarks: report and abort.
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>

#include "lib/string/panic.h"

extern "C" void Panic(const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  vfprintf(stderr, fmt, ap);
  va_end(ap);
  abort();
}
