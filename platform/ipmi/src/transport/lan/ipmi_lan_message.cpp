#include "transport/lan/ipmi_lan_message.h"

#include "transport/wire_error.h"

namespace marlek {
namespace {

constexpr std::size_t kResponseOverhead = 8;  // header, completion code, checksums

std::uint8_t HighSixLowTwo(std::uint8_t high, std::uint8_t low) {
  return static_cast<std::uint8_t>((high << 2) | (low & 0x03));
}

}  // namespace

std::uint8_t IpmiChecksum(const std::uint8_t* bytes, std::size_t count) {
  std::uint8_t sum = 0;
  for (std::size_t i = 0; i < count; ++i)
    sum = static_cast<std::uint8_t>(sum + bytes[i]);
  return static_cast<std::uint8_t>(-sum);
}

std::vector<std::uint8_t> EncodeIpmbRequest(const IpmbRequestFrame& frame) {
  PayloadWriter out;
  out.U8(frame.rsAddr).U8(HighSixLowTwo(frame.netFn, frame.rsLun));
  out.U8(IpmiChecksum(out.Get().data(), 2));
  out.U8(frame.rqAddr).U8(HighSixLowTwo(frame.rqSeq, frame.rqLun)).U8(frame.command).Bytes(frame.data);
  out.U8(IpmiChecksum(out.Get().data() + 3, out.Get().size() - 3));
  return out.Take();
}

IpmbResponseFrame DecodeIpmbResponse(const std::vector<std::uint8_t>& bytes) {
  if (bytes.size() < kResponseOverhead)
    throw TruncatedPayload("IPMI response message: " + std::to_string(bytes.size()) +
                           " bytes, needs at least " + std::to_string(kResponseOverhead));
  if (IpmiChecksum(bytes.data(), 3) != 0)
    throw WireFormatError("IPMI response message: header checksum mismatch");
  if (IpmiChecksum(bytes.data() + 3, bytes.size() - 3) != 0)
    throw WireFormatError("IPMI response message: data checksum mismatch");

  PayloadReader in(bytes.data(), bytes.size() - 1, "IPMI response message");
  IpmbResponseFrame frame;
  frame.rqAddr = in.U8();
  const std::uint8_t netFnLun = in.U8();
  frame.netFn = netFnLun >> 2;
  frame.rqLun = netFnLun & 0x03;
  in.Skip(1);
  frame.rsAddr = in.U8();
  const std::uint8_t seqLun = in.U8();
  frame.rqSeq = seqLun >> 2;
  frame.rsLun = seqLun & 0x03;
  frame.command = in.U8();
  frame.completionCode = in.U8();
  frame.data = in.Rest();
  return frame;
}

}  // namespace marlek
