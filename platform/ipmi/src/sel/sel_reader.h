#pragma once
// Reading and clearing a controller's SEL over a Transport: Get SEL Info,
// Reserve SEL, Get SEL Entry (whole or in parts), Clear SEL, Get SEL Time.
// Failures throw ostrelInt::CmpiStatus saying which command failed where,
// with its completion code.

#include "sel/sel_commands.h"
#include "sel/sel_entry.h"
#include "transport/message.h"

#include <chrono>
#include <functional>
#include <optional>
#include <vector>

namespace marlek {
namespace sel {

// Get SEL Info; throws on a completion code other than 0.
SelInfo ReadSelInfo(Transport& transport);
// Get SEL Info as the raw record, completion code first; throws only on
// transport failures.
Response ReadSelInfoResponse(Transport& transport);

// Get BMC Global Enables' System Event Logging bit; nothing when the
// controller does not answer the command.
std::optional<bool> ReadSelLoggingEnabled(Transport& transport);

// Get SEL Time, seconds.
std::uint32_t ReadSelTime(Transport& transport);

struct SelReadLimits {
  // Reservations in a row that may be cancelled (0xC5) while one entry is
  // read, before the read gives up.
  int maxReservationRenewals = 8;
  // Reads of the whole log while it keeps changing under them.
  int maxPasses = 4;
};

// Every entry from the first to the one whose next record ID is 0xFFFF, in
// SEL order, as the log stood at one moment: read again when the log
// changed meanwhile. A chain that comes back to a record already read ends
// there.
// info: the log's info when the caller has just read it; else it is read.
std::vector<RawEntry> ReadSelEntries(Transport& transport, const SelReadLimits& limits = {},
                                     const std::optional<SelInfo>& info = {});

struct ClearOptions {
  std::chrono::milliseconds timeout{10000};
  std::chrono::milliseconds pollInterval{100};
  // Waits between polls of the erasure status; tests replace it.
  std::function<void(std::chrono::milliseconds)> sleep;
};

// Reserve SEL, Clear SEL (initiate erase), then poll the erasure status
// until it completes; throws when it has not completed within the timeout.
void ClearSel(Transport& transport, const ClearOptions& options = {});

}  // namespace sel
}  // namespace marlek
