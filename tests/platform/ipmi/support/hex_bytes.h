#pragma once
// Byte fixtures written as hex text: "20 18 c8" or "2018c8".

#include <cctype>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace marlek::testing {

inline std::vector<std::uint8_t> HexBytes(const std::string& text) {
  std::vector<std::uint8_t> out;
  std::string digits;
  for (char c : text) {
    if (std::isxdigit(static_cast<unsigned char>(c)))
      digits += c;
    else if (!std::isspace(static_cast<unsigned char>(c)))
      throw std::invalid_argument("not a hex digit in fixture: " + text);
  }
  if (digits.size() % 2)
    throw std::invalid_argument("odd number of hex digits in fixture: " + text);
  for (std::size_t i = 0; i < digits.size(); i += 2)
    out.push_back(static_cast<std::uint8_t>(std::stoi(digits.substr(i, 2), nullptr, 16)));
  return out;
}

}  // namespace marlek::testing
