#pragma once
// Byte layouts of the FRU inventory commands (IPMI v2.0 section 34): Get FRU
// Inventory Area Info and Read FRU Data.

#include "transport/message.h"

#include <cstdint>
#include <vector>

namespace marlek {
namespace fru {

namespace cmd {
constexpr std::uint8_t kGetFruInventoryAreaInfo = 0x10;
constexpr std::uint8_t kReadFruData = 0x11;
}  // namespace cmd

struct InventoryAreaInfo {
  std::uint16_t size = 0;  // bytes
  std::uint8_t accessByte = 0;
  bool wordAccess = false;  // offsets and counts are in 16-bit words
};

Request GetFruInventoryAreaInfoRequest(const Target& target, std::uint8_t deviceId);
InventoryAreaInfo DecodeInventoryAreaInfo(const std::vector<std::uint8_t>& data);

// offset and count in the device's access unit (bytes or words).
Request ReadFruDataRequest(const Target& target, std::uint8_t deviceId, std::uint16_t offset,
                           std::uint8_t count);

struct FruDataChunk {
  std::uint8_t countReturned = 0;
  std::vector<std::uint8_t> data;
};
FruDataChunk DecodeFruDataChunk(const std::vector<std::uint8_t>& data);

}  // namespace fru
}  // namespace marlek
