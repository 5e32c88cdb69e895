// UTF-8-safe truncation.
#include "lib/string/utf8_boundary.h"

namespace {

bool IsContinuation(unsigned char b) {
  return (b & 0xC0) == 0x80;
}

// True when b leads a sequence of exactly n bytes: its top n + 1 bits are n
// ones and a zero.
bool LeadsSequenceOf(unsigned char b, size_t n) {
  if (n < 2 || n > 7) {
    return false;
  }
  unsigned top = static_cast<unsigned>(b) >> (7 - n);
  unsigned pattern = ((1u << n) - 1u) << 1;
  return top == pattern;
}

}  // namespace

size_t Utf8SafeCut(const char* text, size_t size) {
  if (size <= 1) {
    return 0;
  }
  const unsigned char* s = reinterpret_cast<const unsigned char*>(text);
  size_t fit = size - 1;
  size_t start = fit - 1;
  while (start > 0 && IsContinuation(s[start])) {
    start--;
  }
  if (s[start] < 0x80) {
    return fit;
  }
  return LeadsSequenceOf(s[start], fit - start) ? fit : start;
}
