#include "sdr/sdr_commands.h"

#include "wire/completion_code.h"
#include "wire/payload.h"

namespace marlek {

Request MakeGetSdrRepositoryInfo() {
  return Request{netfn::kStorage, storage_cmd::kGetSdrRepositoryInfo, Target{}, {}};
}

Request MakeReserveSdrRepository() {
  return Request{netfn::kStorage, storage_cmd::kReserveSdrRepository, Target{}, {}};
}

Request MakeGetSdr(std::uint16_t reservation, std::uint16_t recordId, std::uint8_t offset,
                   std::uint8_t count) {
  PayloadWriter w;
  w.U16le(reservation).U16le(recordId).U8(offset).U8(count);
  return Request{netfn::kStorage, storage_cmd::kGetSdr, Target{}, w.Take()};
}

Ipmi::SdrRepositoryInfo DecodeSdrRepositoryInfo(const Response& response) {
  PayloadReader r(response.data, "Get SDR Repository Info response");
  Ipmi::SdrRepositoryInfo info{};
  info.completionCode = response.completionCode;
  info.sdrVersion = r.U8();
  info.recordCount = r.U16le();
  info.freeSpace = r.U16le();
  info.mostRecentAddition = r.U32le();
  info.mostRecentErase = r.U32le();
  info.operationSupport = r.U8();
  return info;
}

std::uint16_t DecodeReservation(const Response& response) {
  PayloadReader r(response.data, "Reserve SDR Repository response");
  return r.U16le();
}

GetSdrChunk DecodeGetSdr(const Response& response) {
  PayloadReader r(response.data, "Get SDR response");
  GetSdrChunk chunk;
  chunk.nextRecordId = r.U16le();
  chunk.data = r.Rest();
  return chunk;
}

SdrHeader DecodeSdrHeader(const std::vector<std::uint8_t>& recordStart) {
  PayloadReader r(recordStart, "SDR record header");
  SdrHeader h;
  h.recordId = r.U16le();
  h.sdrVersion = r.U8();
  h.recordType = r.U8();
  h.bodyLength = r.U8();
  return h;
}

}  // namespace marlek
