// ID strings of SDR records (IPMI v2.0 section 43.15, type/length byte).
#include "sdr/sdr_record.h"
#include "wire/payload.h"

#include <algorithm>
#include <cstdio>

namespace marlek {
namespace {

enum class IdStringType : std::uint8_t { kBinary = 0, kBcdPlus = 1, kSixBitAscii = 2, kLatin1 = 3 };

void AppendLatin1AsUtf8(std::string& out, std::uint8_t c) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
    return;
  }
  out.push_back(static_cast<char>(0xc0 | (c >> 6)));
  out.push_back(static_cast<char>(0x80 | (c & 0x3f)));
}

// 8-bit ASCII + Latin-1; a NUL ends the text early (some controllers pad).
std::string DecodeLatin1(PayloadReader& in) {
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
std::string DecodeBcdPlus(PayloadReader& in) {
  static constexpr char kDigits[] = "0123456789 -.:,_";
  std::string out;
  while (!in.AtEnd()) {
    const std::uint8_t b = in.U8();
    out.push_back(kDigits[b >> 4]);
    out.push_back(kDigits[b & 0x0f]);
  }
  return out;
}

// Four 6-bit characters (0x20 + code) in every three bytes, least
// significant bits first; a partial group yields the whole characters it holds.
std::string DecodeSixBitAscii(PayloadReader& in) {
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

std::string DecodeBinary(PayloadReader& in) {
  std::string out;
  char hex[3];
  while (!in.AtEnd()) {
    std::snprintf(hex, sizeof hex, "%02x", in.U8());
    out += hex;
  }
  return out;
}

}  // namespace

std::string DecodeIdString(std::uint8_t typeLength, const std::uint8_t* bytes, std::size_t available) {
  const std::size_t length = std::min<std::size_t>(typeLength & 0x1f, bytes ? available : 0);
  PayloadReader in(bytes, length, "ID string");
  switch (static_cast<IdStringType>(typeLength >> 6)) {
    case IdStringType::kLatin1:
      return DecodeLatin1(in);
    case IdStringType::kSixBitAscii:
      return DecodeSixBitAscii(in);
    case IdStringType::kBcdPlus:
      return DecodeBcdPlus(in);
    case IdStringType::kBinary:
      break;
  }
  return DecodeBinary(in);
}

}  // namespace marlek
