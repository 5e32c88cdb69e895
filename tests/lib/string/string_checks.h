// Properties of the string library shared by the unit tests and the fuzz
// targets: each Check* reads a case from any bytes, returns "" or a failure.
#ifndef OSTREL_TESTS_LIB_STRING_STRING_CHECKS_H
#define OSTREL_TESTS_LIB_STRING_STRING_CHECKS_H

#include <stddef.h>
#include <stdint.h>

#include <ostream>
#include <string>
#include <vector>

#include "lib/string/convert_utf.h"

namespace string_checks {

// What a formatter returned and the bytes it stored.
struct Formatted {
  int result;
  std::string text;
  bool operator==(const Formatted& o) const { return result == o.result && text == o.text; }
  friend std::ostream& operator<<(std::ostream& os, const Formatted& f) {
    return os << "[" << f.text << "] " << f.result;
  }
};

// bsd_vsnprintf (ours) or glibc's vsnprintf into a buffer of size (<= 512).
Formatted Format(bool ours, size_t size, const char* fmt, ...);

// One conversion of src into a target of room units; used counts source units.
template <typename To>
struct Converted {
  ConversionResult result;
  size_t used;
  std::vector<To> out;
};
template <typename From, typename To>
Converted<To> Convert(ConversionResult (*fn)(const From**, const From*, To**, To*, ConversionFlags),
                      const std::vector<From>& src, size_t room, ConversionFlags flags) {
  std::vector<To> out(room);
  const From* s = src.data();
  To* d = out.data();
  ConversionResult r = fn(&s, src.data() + src.size(), &d, out.data() + room, flags);
  out.resize(static_cast<size_t>(d - out.data()));
  return {r, static_cast<size_t>(s - src.data()), out};
}

// One generated conversion, ours against glibc, as written and positional.
std::string CheckEngineAgainstGlibc(const uint8_t* data, size_t size);
// The bytes as UTF-8: strict and lenient decoding, re-encoding, and
// isLegalUTF8Sequence agree.
std::string CheckUtfRoundTrip(const uint8_t* data, size_t size);
// Str_Snprintf of the text after the first byte at every small size and at
// that byte: result, NUL, the cut at the last whole character.
std::string CheckSnprintfTruncation(const uint8_t* data, size_t size);

}  // namespace string_checks

#endif  // OSTREL_TESTS_LIB_STRING_STRING_CHECKS_H
