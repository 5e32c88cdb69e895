#include "fru/fru_commands.h"

#include "wire/payload.h"

namespace marlek {
namespace fru {
namespace {

constexpr std::uint8_t kWordAccessBit = 0x01;

Request StorageRequest(const Target& target, std::uint8_t command, std::vector<std::uint8_t> data) {
  Request request;
  request.netFn = netfn::kStorage;
  request.command = command;
  request.target = target;
  request.data = std::move(data);
  return request;
}

}  // namespace

Request GetFruInventoryAreaInfoRequest(const Target& target, std::uint8_t deviceId) {
  return StorageRequest(target, cmd::kGetFruInventoryAreaInfo, {deviceId});
}

InventoryAreaInfo DecodeInventoryAreaInfo(const std::vector<std::uint8_t>& data) {
  PayloadReader in(data, "Get FRU Inventory Area Info response");
  InventoryAreaInfo info;
  info.size = in.U16le();
  info.accessByte = in.U8();
  info.wordAccess = info.accessByte & kWordAccessBit;
  return info;
}

Request ReadFruDataRequest(const Target& target, std::uint8_t deviceId, std::uint16_t offset,
                           std::uint8_t count) {
  PayloadWriter out;
  out.U8(deviceId).U16le(offset).U8(count);
  return StorageRequest(target, cmd::kReadFruData, out.Take());
}

FruDataChunk DecodeFruDataChunk(const std::vector<std::uint8_t>& data) {
  PayloadReader in(data, "Read FRU Data response");
  FruDataChunk chunk;
  chunk.countReturned = in.U8();
  chunk.data = in.Rest();
  return chunk;
}

}  // namespace fru
}  // namespace marlek
