// Properties of the string library that the fuzz targets check. Each check
// takes one fuzz input and returns an empty string when the properties hold,
// else a description of the failure; the fuzz mains abort on a failure and
// the unit tests replay the kept inputs through the same checks.
#ifndef OSTREL_FUZZ_STRING_STRING_FUZZ_CHECKS_H
#define OSTREL_FUZZ_STRING_STRING_FUZZ_CHECKS_H

#include <stddef.h>
#include <stdint.h>

#include <string>

namespace ostrel_fuzz {

// One conversion built from the input, formatted by the engine and by
// glibc's vsnprintf, as written and with positional arguments, on the subset
// where both agree.
std::string CheckEngineAgainstGlibc(const uint8_t* data, size_t size);

// UTF-8, UTF-16 and UTF-32 views of the input: strict and lenient decoding
// agree, lenient output is always well formed, well-formed input round-trips
// exactly, and a short target gives a prefix of the full output.
std::string CheckUtfRoundTrip(const uint8_t* data, size_t size);

// Str_Snprintf and "%.*s" into buffers of every small size: never past the
// size, always NUL-terminated, a prefix of the text, and for well-formed
// UTF-8 exactly the longest prefix of whole characters that fits.
std::string CheckSnprintfTruncation(const uint8_t* data, size_t size);

}  // namespace ostrel_fuzz

#endif  // OSTREL_FUZZ_STRING_STRING_FUZZ_CHECKS_H
