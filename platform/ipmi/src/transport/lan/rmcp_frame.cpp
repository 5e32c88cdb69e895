#include "transport/lan/rmcp_frame.h"

#include "transport/wire_error.h"

#include <string>

namespace marlek {

void EncodeRmcpHeader(PayloadWriter& out, const RmcpHeader& header) {
  out.U8(header.version).U8(0x00).U8(header.sequence);
  out.U8(static_cast<std::uint8_t>(header.messageClass | (header.isAck ? 0x80 : 0x00)));
}

RmcpHeader DecodeRmcpHeader(PayloadReader& in) {
  RmcpHeader header;
  header.version = in.U8();
  in.Skip(1);
  header.sequence = in.U8();
  const std::uint8_t classByte = in.U8();
  header.messageClass = classByte & 0x1f;
  header.isAck = (classByte & 0x80) != 0;
  if (header.version != rmcp::kVersion1)
    throw WireFormatError("RMCP header: version " + std::to_string(header.version) + " is not RMCP 1.0");
  return header;
}

}  // namespace marlek
