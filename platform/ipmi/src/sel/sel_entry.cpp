#include "sel/sel_entry.h"

#include "wire/payload.h"

namespace marlek {
namespace sel {
namespace {

template <std::size_t N>
std::array<std::uint8_t, N> ReadArray(PayloadReader& in) {
  std::array<std::uint8_t, N> out{};
  for (std::uint8_t& byte : out)
    byte = in.U8();
  return out;
}

SystemEvent DecodeSystemEvent(PayloadReader& in) {
  SystemEvent event;
  const std::uint8_t generatorLow = in.U8();
  event.softwareGenerator = generatorLow & 0x01;
  event.generatorAddress = generatorLow >> 1;
  event.lun = in.U8() & 0x03;  // bits 7:4 hold the channel, which no caller needs
  event.evmRevision = in.U8();
  event.sensorType = in.U8();
  event.sensorNumber = in.U8();
  const std::uint8_t dirType = in.U8();
  event.deassertion = dirType & 0x80;
  event.eventReadingType = dirType & 0x7f;
  event.eventData = ReadArray<3>(in);
  event.offset = event.eventData[0] & 0x0f;
  event.data2Usage = static_cast<EventDataUsage>(event.eventData[0] >> 6);
  event.data3Usage = static_cast<EventDataUsage>((event.eventData[0] >> 4) & 0x03);
  return event;
}

RecordKind KindOf(std::uint8_t recordType) {
  if (recordType == kSystemEventRecord)
    return RecordKind::kSystemEvent;
  if (recordType >= kFirstOemNonTimestamped)
    return RecordKind::kOemNonTimestamped;
  if (recordType >= kFirstOemTimestamped)
    return RecordKind::kOemTimestamped;
  return RecordKind::kUnspecified;
}

}  // namespace

SelEntry DecodeSelEntry(const RawEntry& raw) {
  PayloadReader in(raw.data(), raw.size(), "SEL entry");
  SelEntry entry;
  entry.recordId = in.U16le();
  entry.recordType = in.U8();
  entry.kind = KindOf(entry.recordType);
  switch (entry.kind) {
    case RecordKind::kSystemEvent:
      entry.timestamp = in.U32le();
      entry.system = DecodeSystemEvent(in);
      break;
    case RecordKind::kOemTimestamped:
      entry.timestamp = in.U32le();
      entry.oemTimestamped.manufacturerId = in.U24le();
      entry.oemTimestamped.data = ReadArray<6>(in);
      break;
    case RecordKind::kOemNonTimestamped:
      entry.oemNonTimestamped.data = ReadArray<13>(in);
      break;
    case RecordKind::kUnspecified: {
      // Reserved types keep the standard place of the time stamp.
      entry.body = ReadArray<13>(in);
      PayloadReader stamp(entry.body.data(), 4, "SEL entry time stamp");
      entry.timestamp = stamp.U32le();
      break;
    }
  }
  in.ExpectEnd();
  return entry;
}

}  // namespace sel
}  // namespace marlek
