#include "sdr/sdr_commands.h"

#include "wire/completion_code.h"
#include "wire/payload.h"
#include "wire/repository_info.h"

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
  const RepositoryInfo common = DecodeRepositoryInfo(response.data, "Get SDR Repository Info response");
  Ipmi::SdrRepositoryInfo info{};
  info.completionCode = response.completionCode;
  info.sdrVersion = common.version;
  info.recordCount = common.entries;
  info.freeSpace = common.freeSpace;
  info.mostRecentAddition = common.mostRecentAddition;
  info.mostRecentErase = common.mostRecentErase;
  info.operationSupport = common.operationSupport;
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
