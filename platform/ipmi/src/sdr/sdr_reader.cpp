#include "sdr/sdr_reader.h"

#include "sdr/sdr_commands.h"
#include "transport/back_off.h"
#include "wire/completion_code.h"
#include "wire/hex_text.h"
#include "wire/payload.h"

#include <Ipmi/CmpiStatus.h>

#include <algorithm>
#include <chrono>
#include <set>
#include <thread>

namespace marlek {
namespace {

constexpr std::size_t kLargestCount = 0xfe;  // 0xFF asks for "the whole record"
constexpr std::size_t kLargestOffset = 0xff;

struct ReservationLost {};
struct EmptyRepository {};

std::string RecordLabel(std::uint16_t recordId) {
  return "Get SDR (record " + Hex(recordId, 4) + ")";
}

class SdrReader {
 public:
  SdrReader(Transport& transport, std::string where, const SdrReadLimits& limits)
      : transport_(transport), where_(std::move(where)), limits_(limits) {
    const std::size_t max = transport.MaxResponseData();
    chunk_ = std::min(kLargestCount, max > kGetSdrResponseOverhead ? max - kGetSdrResponseOverhead : 0);
    if (chunk_ < kSdrHeaderSize)
      throw ostrelInt::CmpiStatus("Get SDR impossible on " + where_ + ": responses are too small");
  }

  std::vector<SdrRecord> ReadAll() {
    Reserve();
    std::vector<SdrRecord> records;
    std::set<std::uint16_t> visited;
    std::uint16_t id = kFirstSdrRecordId;
    // A chain that comes back to a record already read ends there: every
    // record it names has been read once.
    while (id != kLastSdrRecordId && visited.insert(id).second) {
      std::uint16_t next = kLastSdrRecordId;
      try {
        records.push_back(ReadRecord(id, next));
      } catch (const EmptyRepository&) {
        break;
      }
      visited.insert(records.back().recordId);
      id = next;
    }
    return records;
  }

 private:
  void Reserve() {
    const Response r = transport_.Send(MakeReserveSdrRepository());
    if (r.completionCode == cc::kInvalidCommand) {
      reservation_ = 0;  // the repository does not support reservations
      return;
    }
    if (!r.Ok())
      throw ostrelInt::CmpiStatus(FailureText("Reserve SDR Repository", where_, r.completionCode));
    try {
      reservation_ = DecodeReservation(r);
    } catch (const TruncatedPayload& e) {
      throw ostrelInt::CmpiStatus("Reserve SDR Repository failed on " + where_ + ": " + e.what());
    }
  }

  SdrRecord ReadRecord(std::uint16_t id, std::uint16_t& next) {
    for (int attempt = 0; attempt <= limits_.restartsPerRecord; ++attempt) {
      try {
        return ReadRecordOnce(id, next);
      } catch (const ReservationLost&) {
        RandomBackOff(attempt);
        Reserve();
      }
    }
    throw ostrelInt::CmpiStatus(RecordLabel(id) + " failed on " + where_ +
                                ": the reservation was cancelled " +
                                std::to_string(limits_.restartsPerRecord + 1) + " times in a row");
  }

  // The first read takes the header and, while the controller allows it, as
  // much of the body as one response holds; the rest follows in chunks.
  SdrRecord ReadRecordOnce(std::uint16_t id, std::uint16_t& next) {
    GetSdrChunk first = ReadFirstPiece(id);
    const SdrHeader header = DecodeHeader(id, first.data);
    const std::size_t total = kSdrHeaderSize + header.bodyLength;
    std::vector<std::uint8_t> bytes = std::move(first.data);
    if (bytes.size() > total)
      bytes.resize(total);
    while (bytes.size() < total) {
      if (bytes.size() > kLargestOffset)
        throw ostrelInt::CmpiStatus(RecordLabel(id) + " failed on " + where_ + ": a record of " +
                                    std::to_string(total) + " bytes cannot be read in offsets of one byte");
      const std::size_t want = std::min(chunk_, total - bytes.size());
      GetSdrChunk piece = ReadPiece(id, bytes.size(), want, true);
      if (piece.data.empty())
        throw ostrelInt::CmpiStatus(RecordLabel(id) + " failed on " + where_ + ": empty answer at offset " +
                                    std::to_string(bytes.size()));
      piece.data.resize(std::min(piece.data.size(), want));
      bytes.insert(bytes.end(), piece.data.begin(), piece.data.end());
    }
    next = first.nextRecordId;
    return SdrRecord{header.recordId, header.sdrVersion, header.recordType, std::move(bytes)};
  }

  // The whole record when it fits in one read. A controller that refuses a
  // count it has answered before refuses reading past a record's end: it is
  // read header first from then on.
  GetSdrChunk ReadFirstPiece(std::uint16_t id) {
    while (!headerFirst_ && chunk_ > kSdrHeaderSize) {
      const std::size_t count = chunk_;
      try {
        return ReadPiece(id, 0, count, false);
      } catch (const OversizedRead&) {
        if (count <= knownGood_)
          headerFirst_ = true;
        else
          Shrink(count);
      }
    }
    return ReadPiece(id, 0, kSdrHeaderSize, true);
  }

  // The largest count that works is searched between the largest answered
  // in full and the smallest refused, once per repository read.
  void Shrink(std::size_t refused) {
    if (refused <= knownGood_)
      knownGood_ = 0;  // answered before, refused now: start the search again
    tooLarge_ = std::min(tooLarge_, refused);
    const std::size_t next = knownGood_ ? (knownGood_ + tooLarge_) / 2 : refused / 2;
    chunk_ = std::max(limits_.minChunk, next);
  }

  void Answered(std::size_t count, std::size_t returned) {
    if (returned < count)
      return;  // cut at the record's end: says nothing about the limit
    knownGood_ = std::max(knownGood_, count);
    if (count == chunk_ && tooLarge_ > chunk_ + 1 && tooLarge_ != kUnknown)
      chunk_ = (chunk_ + tooLarge_) / 2;  // probe upwards
  }

  SdrHeader DecodeHeader(std::uint16_t id, const std::vector<std::uint8_t>& data) {
    if (data.size() < kSdrHeaderSize)
      throw ostrelInt::CmpiStatus(RecordLabel(id) + " failed on " + where_ + ": " +
                                  std::to_string(data.size()) + " bytes where a record header needs 5");
    return DecodeSdrHeader(data);
  }

  struct OversizedRead {};

  // One Get SDR at (offset, count). A controller that says it cannot
  // answer that many bytes (0xCA, 0xC7, 0xC8, 0xFF) gets smaller reads: with
  // `shrink` the chunk halves and the read is retried, else OversizedRead.
  // Silence says nothing about the size: a lost answer must not cut every
  // later read short, so the transport's failure passes out unchanged.
  GetSdrChunk ReadPiece(std::uint16_t id, std::size_t offset, std::size_t count, bool shrink) {
    int busy = 0;
    for (;;) {
      const Request request =
          MakeGetSdr(reservation_, id, static_cast<std::uint8_t>(offset), static_cast<std::uint8_t>(count));
      const Response r = transport_.Send(request);
      if (r.Ok()) {
        GetSdrChunk chunk = Decode(id, r);
        Answered(count, chunk.data.size());
        return chunk;
      }
      if (r.completionCode == cc::kReservationCancelled)
        throw ReservationLost{};
      if (r.completionCode == cc::kNotPresent && id == kFirstSdrRecordId && offset == 0)
        throw EmptyRepository{};  // the first record does not exist
      if (r.completionCode == cc::kNodeBusy && busy++ < limits_.busyRetries) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        continue;
      }
      const bool tooLarge = NeedsSmallerReads(r.completionCode) || r.completionCode == cc::kUnspecified;
      if (!tooLarge || count <= limits_.minChunk)
        throw ostrelInt::CmpiStatus(FailureText(RecordLabel(id), where_, r.completionCode));
      if (!shrink)
        throw OversizedRead{};
      Shrink(count);
      count = std::min(count, chunk_);
    }
  }

  GetSdrChunk Decode(std::uint16_t id, const Response& r) {
    try {
      return DecodeGetSdr(r);
    } catch (const TruncatedPayload& e) {
      throw ostrelInt::CmpiStatus(RecordLabel(id) + " failed on " + where_ + ": " + e.what());
    }
  }

  Transport& transport_;
  std::string where_;
  SdrReadLimits limits_;
  static constexpr std::size_t kUnknown = ~std::size_t{0};
  std::size_t chunk_ = 0;
  std::size_t knownGood_ = 0;        // largest count answered in full
  std::size_t tooLarge_ = kUnknown;  // smallest count refused
  bool headerFirst_ = false;
  std::uint16_t reservation_ = 0;
};

}  // namespace

std::vector<SdrRecord> ReadSdrRecords(Transport& transport, const std::string& where,
                                      const SdrReadLimits& limits) {
  return SdrReader(transport, where, limits).ReadAll();
}

}  // namespace marlek
