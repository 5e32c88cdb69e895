#pragma once
// Byte fixtures written as hex text: "20 18 c8" or "2018c8".

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace marlek::testing {

inline std::vector<std::uint8_t> HexBytes(std::string text) {
  text.erase(std::remove(text.begin(), text.end(), ' '), text.end());
  std::vector<std::uint8_t> out;
  for (std::size_t i = 0; i + 1 < text.size(); i += 2)
    out.push_back(static_cast<std::uint8_t>(std::stoi(text.substr(i, 2), nullptr, 16)));
  return out;
}

}  // namespace marlek::testing
