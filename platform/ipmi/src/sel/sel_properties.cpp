#include "sel/sel_properties.h"

#include "sel/sel_commands.h"
#include "sel/sel_data.h"
#include "sel/sel_reader.h"
#include "wire/payload.h"

#include <Ipmi/CmpiStatus.h>

namespace marlek {
namespace sel {
namespace {

constexpr std::uint32_t kNoTimeStamp = 0xffffffff;

// Get SEL Info gives 0xFFFFFFFF for "never"; the library says 0.
std::int64_t TimeStampOrZero(std::uint32_t stamp) {
  return stamp == kNoTimeStamp ? 0 : stamp;
}

SelInfo DecodeOrThrow(const Transport& transport, const std::vector<std::uint8_t>& data) {
  try {
    return DecodeSelInfo(data);
  } catch (const TruncatedPayload& e) {
    throw ostrelInt::CmpiStatus("Get SEL Info on " + transport.Describe() + " failed: " + e.what());
  }
}

bool IsThresholdWithData(const SelEntry& entry) {
  const SystemEvent& event = entry.system;
  return entry.kind == RecordKind::kSystemEvent && event.eventReadingType == kThresholdReadingType &&
         (event.data2Usage == EventDataUsage::kFirst || event.data3Usage == EventDataUsage::kFirst);
}

}  // namespace

std::tr1::shared_ptr<Ipmi::IpmiSel> ReadSelProperties(Transport& transport) {
  const Response response = ReadSelInfoResponse(transport);
  if (!response.Ok())
    return {};
  const SelInfo info = DecodeOrThrow(transport, response.data);
  Ipmi::IpmiSel::Fields fields;
  // A controller without Get BMC Global Enables logs whenever it has a SEL.
  fields.enabled = ReadSelLoggingEnabled(transport).value_or(true);
  fields.version = info.version;
  fields.currentRecords = info.entries;
  fields.maxRecords = info.entries + info.freeSpace / static_cast<int>(kEntrySize);
  fields.overflow = info.overflow;
  fields.eraseTimeStamp = TimeStampOrZero(info.mostRecentErase);
  fields.addTimeStamp = TimeStampOrZero(info.mostRecentAddition);
  return std::tr1::shared_ptr<Ipmi::IpmiSel>(new Ipmi::IpmiSel(fields));
}

Ipmi::SelInfoRecord ReadRawSelHeader(Transport& transport) {
  const Response response = ReadSelInfoResponse(transport);
  Ipmi::SelInfoRecord record{};
  record.completionCode = response.completionCode;
  if (!response.Ok())
    return record;
  const SelInfo info = DecodeOrThrow(transport, response.data);
  record.selVersion = info.version;
  record.entries = info.entries;
  record.freeSpace = info.freeSpace;
  record.mostRecentAddition = info.mostRecentAddition;
  record.mostRecentErase = info.mostRecentErase;
  record.operationSupport = info.operationSupport;
  return record;
}

std::vector<std::tr1::shared_ptr<Ipmi::IpmiSelData>> ReadSelData(Transport& transport,
                                                                 const ThresholdConverter& convert,
                                                                 const std::optional<SelInfo>& info) {
  std::vector<std::tr1::shared_ptr<Ipmi::IpmiSelData>> records;
  for (const RawEntry& raw : ReadSelEntries(transport, {}, info)) {
    const SelEntry entry = DecodeSelEntry(raw);
    const ThresholdTexts converted =
        convert && IsThresholdWithData(entry) ? convert(entry.system) : ThresholdTexts{};
    records.push_back(MakeSelData(raw, converted));
  }
  return records;
}

}  // namespace sel
}  // namespace marlek
