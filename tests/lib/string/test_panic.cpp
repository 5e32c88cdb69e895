// The host's fatal-error hook, as the tests need it: print the message to
// standard error and abort, so that death tests can match it.
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>

#include "lib/string/panic.h"

extern "C" void Panic(const char* fmt, ...) {
  va_list ap;
  va_start(ap, fmt);
  vfprintf(stderr, fmt, ap);
  va_end(ap);
  fflush(stderr);
  abort();
}
