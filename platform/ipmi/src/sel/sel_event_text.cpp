#include "sel/sel_event_text.h"

#include "tables/event_tables.h"
#include "wire/hex_text.h"

#include <string>

namespace marlek {
namespace sel {
namespace {

constexpr std::uint8_t kFirstOemSensorType = 0xc0;

template <typename Bytes>
std::string HexBytes(const Bytes& bytes) {
  std::string text;
  for (std::uint8_t byte : bytes)
    text += HexDigits(byte, 2);
  return text;
}

std::string ThresholdSuffix(const ThresholdTexts& converted) {
  std::string suffix;
  if (converted.reading)
    suffix += "Reading " + *converted.reading;
  if (converted.threshold)
    suffix += (suffix.empty() ? "" : ", ") + std::string("Threshold ") + *converted.threshold;
  return suffix.empty() ? suffix : " (" + suffix + ")";
}

std::string SystemEventCaption(const SystemEvent& event, const ThresholdTexts& converted) {
  std::string caption = event.deassertion ? "Deassert + " : "Assert + ";
  caption += SensorTypeText(event.sensorType);
  caption += ' ';
  caption += EventText(event);
  if (event.eventReadingType == kThresholdReadingType)
    caption += ThresholdSuffix(converted);
  return caption;
}

}  // namespace

std::string SensorTypeText(std::uint8_t sensorType) {
  if (const char* name = SensorTypeName(sensorType))
    return name;
  if (sensorType >= kFirstOemSensorType)
    return "OEM sensor type " + Hex(sensorType, 2);
  return "Unknown sensor type " + Hex(sensorType, 2);
}

std::string EventText(const SystemEvent& event) {
  if (const char* text = EventOffsetText(event.eventReadingType, event.sensorType, event.offset))
    return text;
  if (event.eventReadingType >= kFirstOemReadingType)
    return "OEM event type " + Hex(event.eventReadingType, 2) + " offset " + Hex(event.offset, 2);
  return "Unknown event offset " + Hex(event.offset, 2) + " of event type " + Hex(event.eventReadingType, 2);
}

std::string SelCaption(const SelEntry& entry, const ThresholdTexts& converted) {
  const std::string type = Hex(entry.recordType, 2);
  switch (entry.kind) {
    case RecordKind::kSystemEvent:
      return SystemEventCaption(entry.system, converted);
    case RecordKind::kOemTimestamped:
      return "OEM record " + type + " + Manufacturer ID " + Hex(entry.oemTimestamped.manufacturerId, 6) +
             " + Data " + HexBytes(entry.oemTimestamped.data);
    case RecordKind::kOemNonTimestamped:
      return "OEM record " + type + " + Data " + HexBytes(entry.oemNonTimestamped.data);
    case RecordKind::kUnspecified:
      break;
  }
  return "Unknown record type " + type + " + Data " + HexBytes(entry.body);
}

}  // namespace sel
}  // namespace marlek
