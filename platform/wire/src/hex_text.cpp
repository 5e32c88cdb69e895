#include "wire/hex_text.h"

namespace marlek {

std::string HexDigits(std::uint32_t value, int width) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  do {
    text.insert(text.begin(), kDigits[value & 0x0f]);
    value >>= 4;
  } while (value != 0 || static_cast<int>(text.size()) < width);
  return text;
}

}  // namespace marlek
