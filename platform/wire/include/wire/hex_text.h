#pragma once

#include <cstdint>
#include <string>

namespace marlek {

// Lower-case hexadecimal digits, at least `width` of them:
// HexDigits(0xc1, 2) is "c1", HexDigits(0x11, 4) is "0011", HexDigits(0x123, 2) is "123".
std::string HexDigits(std::uint32_t value, int width);

// The same with a C prefix, as messages show codes and numbers: Hex(0xc1) is "0xc1".
inline std::string Hex(std::uint32_t value, int width = 2) {
  return "0x" + HexDigits(value, width);
}

}  // namespace marlek
