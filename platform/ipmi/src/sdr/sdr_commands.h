#pragma once
// Byte layouts of the SDR repository commands (IPMI v2.0 section 33):
// Get SDR Repository Info, Reserve SDR Repository and Get SDR.

#include "transport/message.h"

#include <Ipmi/Ipmi.h>

#include <cstdint>
#include <string>
#include <vector>

namespace marlek {

namespace storage_cmd {
constexpr std::uint8_t kGetSdrRepositoryInfo = 0x20;
constexpr std::uint8_t kReserveSdrRepository = 0x22;
constexpr std::uint8_t kGetSdr = 0x23;
}  // namespace storage_cmd

constexpr std::uint16_t kFirstSdrRecordId = 0x0000;
constexpr std::uint16_t kLastSdrRecordId = 0xffff;
constexpr std::size_t kSdrHeaderSize = 5;
constexpr std::size_t kGetSdrResponseOverhead = 2;  // next record ID

// The five bytes every SDR record starts with.
struct SdrHeader {
  std::uint16_t recordId = 0;
  std::uint8_t sdrVersion = 0;
  std::uint8_t recordType = 0;
  std::uint8_t bodyLength = 0;
};

// One answer of Get SDR: where the chain goes next, and the bytes read.
struct GetSdrChunk {
  std::uint16_t nextRecordId = kLastSdrRecordId;
  std::vector<std::uint8_t> data;
};

Request MakeGetSdrRepositoryInfo();
Request MakeReserveSdrRepository();
Request MakeGetSdr(std::uint16_t reservation, std::uint16_t recordId, std::uint8_t offset,
                   std::uint8_t count);

// Decoders of successful responses; each throws TruncatedPayload when the
// response is shorter than its layout.
Ipmi::SdrRepositoryInfo DecodeSdrRepositoryInfo(const Response& response);
std::uint16_t DecodeReservation(const Response& response);
GetSdrChunk DecodeGetSdr(const Response& response);
SdrHeader DecodeSdrHeader(const std::vector<std::uint8_t>& recordStart);

// "Get SDR failed on node 0 (127.0.0.1:623): completion code 0xc5 (...)"

}  // namespace marlek
