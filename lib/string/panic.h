// Fatal-error hook supplied by the host process.
//
// Panic prints the formatted message and does not return. The string library
// calls it when a bounded copy would overflow its destination; the host
// (ostrelcli, or a test program) defines it.
#ifndef OSTREL_LIB_STRING_PANIC_H
#define OSTREL_LIB_STRING_PANIC_H

#ifdef __cplusplus
extern "C" {
#endif

[[noreturn]] void Panic(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

#ifdef __cplusplus
}
#endif

#endif  // OSTREL_LIB_STRING_PANIC_H
