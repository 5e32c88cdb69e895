#pragma once
// Builds FRU images byte by byte for tests: areas of type/length fields,
// padded and checksummed, behind a common header.

#include <cstdint>
#include <string>
#include <vector>

namespace marlek::fru::testing {

using Bytes = std::vector<std::uint8_t>;

inline std::uint8_t ZeroChecksumOf(const Bytes& bytes) {
  unsigned sum = 0;
  for (std::uint8_t b : bytes)
    sum += b;
  return static_cast<std::uint8_t>(-sum);
}

class AreaBuilder {
 public:
  // fixed: the bytes after format version and length (chassis type,
  // language code, manufacturing date).
  explicit AreaBuilder(Bytes fixed) : body_(std::move(fixed)) {}

  AreaBuilder& Field(std::uint8_t type, const Bytes& data) {
    body_.push_back(static_cast<std::uint8_t>(type << 6 | data.size()));
    body_.insert(body_.end(), data.begin(), data.end());
    return *this;
  }
  AreaBuilder& Text(const std::string& text) { return Field(3, Bytes(text.begin(), text.end())); }
  AreaBuilder& Raw(const Bytes& data) {
    body_.insert(body_.end(), data.begin(), data.end());
    return *this;
  }

  // Version, length, body, end marker, padding and checksum.
  Bytes Build(bool endMarker = true) const {
    Bytes area{0x01, 0x00};
    area.insert(area.end(), body_.begin(), body_.end());
    if (endMarker)
      area.push_back(0xc1);
    while ((area.size() + 1) % 8 != 0)
      area.push_back(0x00);
    area[1] = static_cast<std::uint8_t>((area.size() + 1) / 8);
    area.push_back(ZeroChecksumOf(area));
    return area;
  }

 private:
  Bytes body_;
};

// An image with the areas placed in the order given; empty areas are absent.
inline Bytes BuildImage(const Bytes& chassis, const Bytes& board, const Bytes& product,
                        const Bytes& multiRecord = {}) {
  Bytes image(8, 0);
  image[0] = 0x01;
  auto place = [&](const Bytes& area, int slot) {
    if (area.empty())
      return;
    image[slot] = static_cast<std::uint8_t>(image.size() / 8);
    image.insert(image.end(), area.begin(), area.end());
  };
  place(chassis, 2);
  place(board, 3);
  place(product, 4);
  place(multiRecord, 5);
  image[7] = 0;
  image[7] = ZeroChecksumOf(Bytes(image.begin(), image.begin() + 8));
  return image;
}

}  // namespace marlek::fru::testing
