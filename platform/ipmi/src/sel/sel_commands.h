#pragma once
// Byte layouts of the SEL commands (IPMI v2.0 section 31) and of Get BMC
// Global Enables: requests are built and responses decoded here only.

#include "transport/message.h"

#include <cstdint>
#include <vector>

namespace marlek {
namespace sel {

namespace cmd {
constexpr std::uint8_t kGetSelInfo = 0x40;
constexpr std::uint8_t kReserveSel = 0x42;
constexpr std::uint8_t kGetSelEntry = 0x43;
constexpr std::uint8_t kClearSel = 0x47;
constexpr std::uint8_t kGetSelTime = 0x48;
constexpr std::uint8_t kGetBmcGlobalEnables = 0x2f;  // application network function
}  // namespace cmd

// Get SEL Entry: the record ID asking for the first entry, and the one that
// marks the end of the log.
constexpr std::uint16_t kFirstRecordId = 0x0000;
constexpr std::uint16_t kLastRecordId = 0xffff;
// Get SEL Entry: a byte count asking for the whole record.
constexpr std::uint8_t kWholeRecord = 0xff;
constexpr std::size_t kEntrySize = 16;

struct SelInfo {
  std::uint8_t version = 0;
  std::uint16_t entries = 0;
  std::uint16_t freeSpace = 0;  // bytes
  std::uint32_t mostRecentAddition = 0;
  std::uint32_t mostRecentErase = 0;
  std::uint8_t operationSupport = 0;
  bool overflow = false;
  bool deleteSupported = false;
  bool partialAddSupported = false;
  bool reserveSupported = false;
  bool allocationInfoSupported = false;
};

Request GetSelInfoRequest();
SelInfo DecodeSelInfo(const std::vector<std::uint8_t>& data);

Request ReserveSelRequest();
std::uint16_t DecodeReservation(const std::vector<std::uint8_t>& data);

struct GetSelEntryParams {
  std::uint16_t reservation = 0;
  std::uint16_t recordId = kFirstRecordId;
  std::uint8_t offset = 0;
  std::uint8_t count = kWholeRecord;
};
Request GetSelEntryRequest(const GetSelEntryParams& params);

struct SelEntryChunk {
  std::uint16_t nextRecordId = kLastRecordId;
  std::vector<std::uint8_t> bytes;
};
SelEntryChunk DecodeSelEntryChunk(const std::vector<std::uint8_t>& data);

enum class ClearAction : std::uint8_t { kGetErasureStatus = 0x00, kInitiateErase = 0xaa };
Request ClearSelRequest(std::uint16_t reservation, ClearAction action);
// True when the erasure has completed.
bool DecodeErasureCompleted(const std::vector<std::uint8_t>& data);

Request GetSelTimeRequest();
std::uint32_t DecodeSelTime(const std::vector<std::uint8_t>& data);

Request GetBmcGlobalEnablesRequest();
// The System Event Logging bit of the global enables.
bool DecodeSystemEventLoggingEnabled(const std::vector<std::uint8_t>& data);

}  // namespace sel
}  // namespace marlek
