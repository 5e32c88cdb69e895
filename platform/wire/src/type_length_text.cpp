#include "wire/type_length_text.h"

#include "wire/hex_text.h"
#include "wire/payload.h"

namespace marlek {
namespace {

void AppendLatin1AsUtf8(std::string& out, std::uint8_t c) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
    return;
  }
  out.push_back(static_cast<char>(0xc0 | (c >> 6)));
  out.push_back(static_cast<char>(0x80 | (c & 0x3f)));
}

// A NUL ends the text early: some controllers pad with them.
std::string EightBitText(PayloadReader& in) {
  std::string out;
  while (!in.AtEnd()) {
    const std::uint8_t c = in.U8();
    if (c == 0)
      break;
    AppendLatin1AsUtf8(out, c);
  }
  return out;
}

// Digits 0-9 and six punctuation codes, two per byte, high nibble first.
std::string BcdPlusText(PayloadReader& in) {
  static constexpr char kCodes[] = "0123456789 -.:,_";
  std::string out;
  while (!in.AtEnd()) {
    const std::uint8_t b = in.U8();
    out.push_back(kCodes[b >> 4]);
    out.push_back(kCodes[b & 0x0f]);
  }
  return out;
}

// Four characters (0x20 + 6-bit code) in every three bytes, least
// significant bits first; a partial group yields the whole characters it holds.
std::string SixBitText(PayloadReader& in) {
  std::string out;
  std::uint32_t bits = 0;
  int held = 0;
  while (!in.AtEnd()) {
    bits |= std::uint32_t(in.U8()) << held;
    held += 8;
    while (held >= 6) {
      out.push_back(static_cast<char>(0x20 + (bits & 0x3f)));
      bits >>= 6;
      held -= 6;
    }
  }
  return out;
}

std::string BinaryText(PayloadReader& in) {
  std::string out;
  while (!in.AtEnd())
    out += HexDigits(in.U8(), 2);
  return out;
}

}  // namespace

std::string Latin1ToUtf8(const std::uint8_t* bytes, std::size_t size) {
  std::string out;
  for (std::size_t i = 0; i < size; ++i)
    AppendLatin1AsUtf8(out, bytes[i]);
  return out;
}

std::string DecodeTypeLengthText(TextEncoding encoding, const std::uint8_t* bytes, std::size_t size) {
  PayloadReader in(bytes, size, "type/length text");
  switch (encoding) {
    case TextEncoding::kEightBit:
      return EightBitText(in);
    case TextEncoding::kSixBitAscii:
      return SixBitText(in);
    case TextEncoding::kBcdPlus:
      return BcdPlusText(in);
    case TextEncoding::kBinary:
      break;
  }
  return BinaryText(in);
}

}  // namespace marlek
