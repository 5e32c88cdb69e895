#pragma once
// The RMCP header that starts every datagram to and from port 623: version
// 06h, a reserved byte, the RMCP sequence number (FFh: no RMCP ACK wanted)
// and the message class (06h ASF, 07h IPMI).

#include "wire/payload.h"

#include <cstdint>
#include <vector>

namespace marlek {

namespace rmcp {
constexpr std::uint8_t kVersion1 = 0x06;
constexpr std::uint8_t kNoAckSequence = 0xff;
constexpr std::uint8_t kClassAsf = 0x06;
constexpr std::uint8_t kClassIpmi = 0x07;
constexpr std::size_t kHeaderSize = 4;
}  // namespace rmcp

struct RmcpHeader {
  std::uint8_t version = rmcp::kVersion1;
  std::uint8_t sequence = rmcp::kNoAckSequence;
  std::uint8_t messageClass = rmcp::kClassIpmi;
  bool isAck = false;  // bit 7 of the class byte
};

// Appends the header to out.
void EncodeRmcpHeader(PayloadWriter& out, const RmcpHeader& header);

// Reads the header; throws WireFormatError for a version other than RMCP 1.0.
RmcpHeader DecodeRmcpHeader(PayloadReader& in);

}  // namespace marlek
