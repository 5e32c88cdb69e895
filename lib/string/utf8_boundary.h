// Where to cut a UTF-8 text so that no character is split.
#ifndef OSTREL_LIB_STRING_UTF8_BOUNDARY_H
#define OSTREL_LIB_STRING_UTF8_BOUNDARY_H

#include <stddef.h>

// For a text of which only the first size - 1 bytes fit in a buffer of
// `size` bytes: the index at which to put the NUL so that the kept prefix
// does not end in an incomplete UTF-8 sequence. size must not be 0.
size_t Utf8SafeCut(const char* text, size_t size);

#endif  // OSTREL_LIB_STRING_UTF8_BOUNDARY_H
