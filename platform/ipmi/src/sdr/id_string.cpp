// ID strings of SDR records (IPMI v2.0 section 43.15, type/length byte).
#include "sdr/sdr_record.h"

#include "wire/type_length_text.h"

#include <algorithm>

namespace marlek {

std::string DecodeIdString(std::uint8_t typeLength, const std::uint8_t* bytes, std::size_t available) {
  const std::size_t length = std::min<std::size_t>(typeLength & 0x1f, bytes ? available : 0);
  return DecodeTypeLengthText(TypeLengthEncoding(typeLength), bytes, length);
}

}  // namespace marlek
