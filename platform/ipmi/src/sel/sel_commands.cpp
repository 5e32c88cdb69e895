#include "sel/sel_commands.h"

#include "wire/payload.h"
#include "wire/repository_info.h"

namespace marlek {
namespace sel {
namespace {

Request StorageRequest(std::uint8_t command, std::vector<std::uint8_t> data = {}) {
  Request request;
  request.netFn = netfn::kStorage;
  request.command = command;
  request.data = std::move(data);
  return request;
}

constexpr std::uint8_t kOverflowBit = 0x80;
constexpr std::uint8_t kDeleteBit = 0x08;
constexpr std::uint8_t kPartialAddBit = 0x04;
constexpr std::uint8_t kReserveBit = 0x02;
constexpr std::uint8_t kAllocationInfoBit = 0x01;
constexpr std::uint8_t kErasureStatusMask = 0x0f;
constexpr std::uint8_t kErasureCompleted = 0x01;
constexpr std::uint8_t kSystemEventLoggingBit = 0x08;

}  // namespace

Request GetSelInfoRequest() {
  return StorageRequest(cmd::kGetSelInfo);
}

SelInfo DecodeSelInfo(const std::vector<std::uint8_t>& data) {
  const RepositoryInfo common = DecodeRepositoryInfo(data, "Get SEL Info response");
  SelInfo info;
  info.version = common.version;
  info.entries = common.entries;
  info.freeSpace = common.freeSpace;
  info.mostRecentAddition = common.mostRecentAddition;
  info.mostRecentErase = common.mostRecentErase;
  info.operationSupport = common.operationSupport;
  info.overflow = info.operationSupport & kOverflowBit;
  info.deleteSupported = info.operationSupport & kDeleteBit;
  info.partialAddSupported = info.operationSupport & kPartialAddBit;
  info.reserveSupported = info.operationSupport & kReserveBit;
  info.allocationInfoSupported = info.operationSupport & kAllocationInfoBit;
  return info;
}

Request ReserveSelRequest() {
  return StorageRequest(cmd::kReserveSel);
}

std::uint16_t DecodeReservation(const std::vector<std::uint8_t>& data) {
  PayloadReader in(data, "Reserve SEL response");
  return in.U16le();
}

Request GetSelEntryRequest(const GetSelEntryParams& params) {
  PayloadWriter out;
  out.U16le(params.reservation).U16le(params.recordId).U8(params.offset).U8(params.count);
  return StorageRequest(cmd::kGetSelEntry, out.Take());
}

SelEntryChunk DecodeSelEntryChunk(const std::vector<std::uint8_t>& data) {
  PayloadReader in(data, "Get SEL Entry response");
  SelEntryChunk chunk;
  chunk.nextRecordId = in.U16le();
  chunk.bytes = in.Rest();
  return chunk;
}

Request ClearSelRequest(std::uint16_t reservation, ClearAction action) {
  PayloadWriter out;
  out.U16le(reservation).U8('C').U8('L').U8('R').U8(static_cast<std::uint8_t>(action));
  return StorageRequest(cmd::kClearSel, out.Take());
}

bool DecodeErasureCompleted(const std::vector<std::uint8_t>& data) {
  PayloadReader in(data, "Clear SEL response");
  return (in.U8() & kErasureStatusMask) == kErasureCompleted;
}

Request GetSelTimeRequest() {
  return StorageRequest(cmd::kGetSelTime);
}

std::uint32_t DecodeSelTime(const std::vector<std::uint8_t>& data) {
  PayloadReader in(data, "Get SEL Time response");
  return in.U32le();
}

Request GetBmcGlobalEnablesRequest() {
  Request request;
  request.netFn = netfn::kApp;
  request.command = cmd::kGetBmcGlobalEnables;
  return request;
}

bool DecodeSystemEventLoggingEnabled(const std::vector<std::uint8_t>& data) {
  PayloadReader in(data, "Get BMC Global Enables response");
  return in.U8() & kSystemEventLoggingBit;
}

}  // namespace sel
}  // namespace marlek
