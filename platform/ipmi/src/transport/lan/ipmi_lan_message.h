#pragma once
// The IPMI message as it travels on LAN and IPMB: requester and responder
// addresses, network function and LUN, the 6-bit request sequence number,
// the command, its data, and two 2's-complement checksums (one over the
// responder address and network function, one over the rest).

#include "wire/payload.h"

#include <cstdint>
#include <vector>

namespace marlek {

// The software ID of a remote console (81h).
constexpr std::uint8_t kRemoteConsoleSwid = 0x81;

struct IpmbRequestFrame {
  std::uint8_t rsAddr = 0x20;
  std::uint8_t netFn = 0;
  std::uint8_t rsLun = 0;
  std::uint8_t rqAddr = kRemoteConsoleSwid;
  std::uint8_t rqSeq = 0;  // 0..63
  std::uint8_t rqLun = 0;
  std::uint8_t command = 0;
  std::vector<std::uint8_t> data;
};

struct IpmbResponseFrame {
  std::uint8_t rqAddr = 0;
  std::uint8_t netFn = 0;  // the response network function (odd)
  std::uint8_t rqLun = 0;
  std::uint8_t rsAddr = 0;
  std::uint8_t rqSeq = 0;
  std::uint8_t rsLun = 0;
  std::uint8_t command = 0;
  std::uint8_t completionCode = 0;
  std::vector<std::uint8_t> data;
};

// The 2's-complement checksum: the byte that makes the sum of the bytes zero.
std::uint8_t IpmiChecksum(const std::uint8_t* bytes, std::size_t count);

std::vector<std::uint8_t> EncodeIpmbRequest(const IpmbRequestFrame& frame);

// Throws WireFormatError when a checksum does not match and TruncatedPayload
// when the message is shorter than its header.
IpmbResponseFrame DecodeIpmbResponse(const std::vector<std::uint8_t>& bytes);

}  // namespace marlek
