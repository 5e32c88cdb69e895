#pragma once
// Text behind an IPMI type/length byte (SDR ID strings, FRU fields): the
// type in bits 7:6 says how the bytes that follow encode it. How many bytes
// follow is the caller's rule (5 length bits in SDRs, 6 in FRU fields).

#include <cstddef>
#include <cstdint>
#include <string>

namespace marlek {

enum class TextEncoding : std::uint8_t { kBinary = 0, kBcdPlus = 1, kSixBitAscii = 2, kEightBit = 3 };

inline TextEncoding TypeLengthEncoding(std::uint8_t typeLength) {
  return static_cast<TextEncoding>(typeLength >> 6);
}

// Binary as lower-case hex; BCD plus as digits and " -.:,_"; 6-bit packed
// ASCII; 8-bit ASCII+Latin-1 as UTF-8, ending early at a NUL.
std::string DecodeTypeLengthText(TextEncoding encoding, const std::uint8_t* bytes, std::size_t size);

// ISO 8859-1 bytes as UTF-8, all of them (NULs included).
std::string Latin1ToUtf8(const std::uint8_t* bytes, std::size_t size);

}  // namespace marlek
