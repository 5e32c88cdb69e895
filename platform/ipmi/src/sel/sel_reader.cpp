#include "sel/sel_reader.h"

#include "transport/back_off.h"
#include "wire/completion_code.h"
#include "wire/hex_text.h"
#include "wire/payload.h"

#include <Ipmi/CmpiStatus.h>

#include <algorithm>
#include <set>
#include <thread>

namespace marlek {
namespace sel {
namespace {

std::string RecordIdText(std::uint16_t id) {
  return Hex(id, 4);
}

[[noreturn]] void Fail(const Transport& transport, const std::string& what, const std::string& why) {
  throw ostrelInt::CmpiStatus(FailureText(what, transport.Describe(), why));
}

[[noreturn]] void Fail(const Transport& transport, const std::string& what, std::uint8_t completionCode) {
  throw ostrelInt::CmpiStatus(FailureText(what, transport.Describe(), completionCode));
}

Response Checked(Transport& transport, const Request& request, const std::string& what) {
  Response response = transport.Send(request);
  if (!response.Ok())
    Fail(transport, what, response.completionCode);
  return response;
}

template <typename Decoded, typename Decoder>
Decoded Decode(const Transport& transport, const std::string& what, Decoder decode,
               const Response& response) {
  try {
    return decode(response.data);
  } catch (const TruncatedPayload& e) {
    Fail(transport, what, e.what());
  }
}

// The SEL reservation for partial reads, renewed when another requester
// cancels it.
class Reservation {
 public:
  Reservation(Transport& transport, bool supported) : transport_(transport), supported_(supported) {
    Renew();
  }

  std::uint16_t Id() const { return id_; }

  void Renew() {
    if (!supported_)
      return;
    Response response = transport_.Send(ReserveSelRequest());
    if (response.completionCode == cc::kInvalidCommand) {
      supported_ = false;  // advertised but not implemented: read without one
      id_ = 0;
      return;
    }
    if (!response.Ok())
      Fail(transport_, "Reserve SEL", response.completionCode);
    id_ = Decode<std::uint16_t>(transport_, "Reserve SEL", DecodeReservation, response);
  }

 private:
  Transport& transport_;
  bool supported_;
  std::uint16_t id_ = 0;
};

enum class ReadOutcome { kDone, kCancelled, kShrink };

// Reads one entry: whole when the transport can carry it, else (or when the
// controller refuses) in parts that shrink until the controller accepts.
class EntryReader {
 public:
  EntryReader(Transport& transport, Reservation& reservation, const SelReadLimits& limits)
      : transport_(transport), reservation_(reservation), limits_(limits) {
    const std::size_t room = transport.MaxResponseData() > 2 ? transport.MaxResponseData() - 2 : 1;
    chunk_ = static_cast<std::uint8_t>(std::min(room, kEntrySize));
    whole_ = room >= kEntrySize;
  }

  // The entry with this record ID; nextId gets the record that follows it.
  // Nothing when the controller says the record is not present.
  std::optional<RawEntry> Read(std::uint16_t recordId, std::uint16_t& nextId) {
    for (int renewals = 0;; ++renewals) {
      std::vector<std::uint8_t> bytes;
      const ReadOutcome outcome = ReadOnce(recordId, nextId, bytes);
      if (outcome == ReadOutcome::kDone) {
        if (bytes.empty())
          return std::nullopt;
        RawEntry entry{};
        std::copy_n(bytes.begin(), kEntrySize, entry.begin());
        return entry;
      }
      if (renewals >= limits_.maxReservationRenewals)
        Fail(transport_, What(recordId),
             "the SEL reservation was cancelled " + std::to_string(renewals + 1) + " times in a row");
      RandomBackOff(renewals);
      reservation_.Renew();
    }
  }

 private:
  std::string What(std::uint16_t recordId) const { return "Get SEL Entry " + RecordIdText(recordId); }

  ReadOutcome ReadOnce(std::uint16_t recordId, std::uint16_t& nextId, std::vector<std::uint8_t>& bytes) {
    while (bytes.size() < kEntrySize) {
      const bool whole = whole_ && bytes.empty();
      GetSelEntryParams params;
      params.reservation = reservation_.Id();
      params.recordId = recordId;
      params.offset = static_cast<std::uint8_t>(bytes.size());
      params.count =
          whole ? kWholeRecord
                : static_cast<std::uint8_t>(std::min<std::size_t>(chunk_, kEntrySize - bytes.size()));
      const Response response = transport_.Send(GetSelEntryRequest(params));
      if (response.completionCode == cc::kReservationCancelled)
        return ReadOutcome::kCancelled;
      if (response.completionCode == cc::kNotPresent && bytes.empty()) {
        nextId = kLastRecordId;
        return ReadOutcome::kDone;
      }
      if (NeedsSmallerReads(response.completionCode)) {
        Shrink(recordId, whole);
        continue;
      }
      if (!response.Ok())
        Fail(transport_, What(recordId), response.completionCode);
      SelEntryChunk chunk = Decode<SelEntryChunk>(transport_, What(recordId), DecodeSelEntryChunk, response);
      if (chunk.bytes.empty())
        Fail(transport_, What(recordId), "the controller returned no record bytes");
      nextId = chunk.nextRecordId;
      bytes.insert(bytes.end(), chunk.bytes.begin(), chunk.bytes.end());
    }
    return ReadOutcome::kDone;
  }

  void Shrink(std::uint16_t recordId, bool wasWhole) {
    if (wasWhole) {
      whole_ = false;  // read in parts of the current size from now on
      return;
    }
    if (chunk_ <= 1)
      Fail(transport_, What(recordId), "the controller refuses even one-byte reads");
    chunk_ = static_cast<std::uint8_t>(chunk_ / 2);
  }

  Transport& transport_;
  Reservation& reservation_;
  const SelReadLimits& limits_;
  std::uint8_t chunk_ = kEntrySize;
  bool whole_ = true;
};

void DefaultSleep(std::chrono::milliseconds duration) {
  std::this_thread::sleep_for(duration);
}

}  // namespace

Response ReadSelInfoResponse(Transport& transport) {
  return transport.Send(GetSelInfoRequest());
}

SelInfo ReadSelInfo(Transport& transport) {
  const Response response = Checked(transport, GetSelInfoRequest(), "Get SEL Info");
  return Decode<SelInfo>(transport, "Get SEL Info", DecodeSelInfo, response);
}

std::optional<bool> ReadSelLoggingEnabled(Transport& transport) {
  const Response response = transport.Send(GetBmcGlobalEnablesRequest());
  if (!response.Ok() || response.data.empty())
    return std::nullopt;
  return DecodeSystemEventLoggingEnabled(response.data);
}

std::uint32_t ReadSelTime(Transport& transport) {
  const Response response = Checked(transport, GetSelTimeRequest(), "Get SEL Time");
  return Decode<std::uint32_t>(transport, "Get SEL Time", DecodeSelTime, response);
}

namespace {

// One pass over the record chain. False when the chain broke: a record it
// names is no longer there (deleted or cleared while we read).
bool ReadChain(Transport& transport, const SelInfo& info, const SelReadLimits& limits,
               std::vector<RawEntry>& entries) {
  entries.clear();
  if (info.entries == 0)
    return true;
  Reservation reservation(transport, info.reserveSupported);
  EntryReader reader(transport, reservation, limits);
  std::set<std::uint16_t> visited;  // record IDs asked for and read
  std::uint16_t recordId = kFirstRecordId;
  while (recordId != kLastRecordId) {
    std::uint16_t nextId = kLastRecordId;
    std::optional<RawEntry> entry = reader.Read(recordId, nextId);
    if (!entry)
      return false;
    entries.push_back(*entry);
    visited.insert(recordId);
    visited.insert(DecodeSelEntry(*entry).recordId);
    if (nextId == kFirstRecordId || visited.count(nextId) != 0)
      break;  // the chain comes back on itself: every record of it is read
    recordId = nextId;
  }
  return true;
}

bool SameLog(const SelInfo& a, const SelInfo& b) {
  return a.entries == b.entries && a.mostRecentAddition == b.mostRecentAddition &&
         a.mostRecentErase == b.mostRecentErase;
}

}  // namespace

// The log can change under the reader (an event logged, a clear from
// elsewhere): the entries count only when the log's info is the same
// before and after them and the chain held together; else they are read
// again.
std::vector<RawEntry> ReadSelEntries(Transport& transport, const SelReadLimits& limits,
                                     const std::optional<SelInfo>& info) {
  SelInfo before = info ? *info : ReadSelInfo(transport);
  std::vector<RawEntry> entries;
  for (int pass = 1;; ++pass) {
    const bool whole = ReadChain(transport, before, limits, entries);
    const SelInfo after = ReadSelInfo(transport);
    if (whole && SameLog(before, after))
      return entries;
    if (pass >= limits.maxPasses)
      Fail(transport, "Reading the SEL",
           "the log changed while it was read, " + std::to_string(pass) + " times in a row");
    RandomBackOff(pass);
    before = after;
  }
}

void ClearSel(Transport& transport, const ClearOptions& options) {
  const auto sleep = options.sleep ? options.sleep : DefaultSleep;
  Reservation reservation(transport, true);
  Response response = transport.Send(ClearSelRequest(reservation.Id(), ClearAction::kInitiateErase));
  if (response.completionCode == cc::kReservationCancelled) {
    reservation.Renew();
    response = transport.Send(ClearSelRequest(reservation.Id(), ClearAction::kInitiateErase));
  }
  if (!response.Ok())
    Fail(transport, "Clear SEL", response.completionCode);
  bool completed = Decode<bool>(transport, "Clear SEL", DecodeErasureCompleted, response);
  const auto interval = std::max(options.pollInterval, std::chrono::milliseconds(1));
  const long long maxPolls = std::max<long long>(1, options.timeout.count() / interval.count());
  for (long long poll = 0; !completed; ++poll) {
    if (poll >= maxPolls)
      Fail(transport, "Clear SEL",
           "the erasure did not complete within " + std::to_string(options.timeout.count()) + " ms");
    sleep(interval);
    const Response status = transport.Send(ClearSelRequest(reservation.Id(), ClearAction::kGetErasureStatus));
    if (status.completionCode == cc::kReservationCancelled) {
      reservation.Renew();
      continue;
    }
    if (!status.Ok())
      Fail(transport, "Clear SEL erasure status", status.completionCode);
    completed = Decode<bool>(transport, "Clear SEL erasure status", DecodeErasureCompleted, status);
  }
}

}  // namespace sel
}  // namespace marlek
