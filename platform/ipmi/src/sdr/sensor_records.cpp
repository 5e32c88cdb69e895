// Full (0x01), compact (0x02) and event-only (0x03) sensor records, IPMI
// v2.0 sections 43.1-43.3.
#include "sdr/sdr_commands.h"
#include "sdr/sdr_record.h"
#include "wire/payload.h"

namespace marlek {
namespace {

// Record key and the entity: identical in all three layouts.
void DecodeKeyAndEntity(PayloadReader& in, SensorRecord& s) {
  s.ownerId = in.U8();
  const std::uint8_t lunChannel = in.U8();
  s.ownerLun = lunChannel & 0x03;
  s.channel = lunChannel >> 4;
  s.sensorNumber = in.U8();
  s.entity.id = in.U8();
  const std::uint8_t instance = in.U8();
  s.logicalEntity = (instance & 0x80) != 0;
  s.entity.instance = instance & 0x7f;
}

// Initialization through units: identical in full and compact layouts.
void DecodeSensorCommon(PayloadReader& in, SensorRecord& s) {
  s.initialization = in.U8();
  s.capabilities = in.U8();
  s.sensorType = in.U8();
  s.eventReadingType = in.U8();
  s.assertionMask = in.U16le();
  s.deassertionMask = in.U16le();
  s.readingMask = in.U16le();
  const std::uint8_t units1 = in.U8();
  s.units.format = static_cast<AnalogFormat>(units1 >> 6);
  s.units.rate = (units1 >> 3) & 0x07;
  s.units.modifierUse = (units1 >> 1) & 0x03;
  s.units.percentage = (units1 & 0x01) != 0;
  s.units.base = in.U8();
  s.units.modifier = in.U8();
}

void DecodeSharing(PayloadReader& in, SensorSharing& sharing) {
  const std::uint8_t first = in.U8();
  const std::uint8_t second = in.U8();
  sharing.alphaModifier = ((first >> 4) & 0x03) == 0x01;
  sharing.count = first & 0x0f;
  if (sharing.count == 0)
    sharing.count = 1;
  sharing.entityInstanceIncrements = (second & 0x80) != 0;
  sharing.modifierOffset = second & 0x7f;
}

std::string DecodeTrailingIdString(PayloadReader& in) {
  if (in.AtEnd())
    return {};
  const std::uint8_t typeLength = in.U8();
  const std::vector<std::uint8_t> rest = in.Rest();
  return DecodeIdString(typeLength, rest.data(), rest.size());
}

void DecodeFull(PayloadReader& in, SensorRecord& s) {
  DecodeKeyAndEntity(in, s);
  DecodeSensorCommon(in, s);
  s.factors.format = s.units.format;
  s.factors.linearization = in.U8() & 0x7f;
  DecodeConversionBytes(in, s.factors);
  in.Skip(17);  // analog flags, nominal/normal/sensor extremes, thresholds, hysteresis, reserved, OEM
  s.idString = DecodeTrailingIdString(in);
}

void DecodeCompact(PayloadReader& in, SensorRecord& s) {
  DecodeKeyAndEntity(in, s);
  DecodeSensorCommon(in, s);
  s.factors.format = s.units.format;
  DecodeSharing(in, s.sharing);
  in.Skip(6);  // hysteresis, reserved, OEM
  s.idString = DecodeTrailingIdString(in);
}

void DecodeEventOnly(PayloadReader& in, SensorRecord& s) {
  DecodeKeyAndEntity(in, s);
  s.sensorType = in.U8();
  s.eventReadingType = in.U8();
  DecodeSharing(in, s.sharing);
  in.Skip(2);  // reserved, OEM
  s.idString = DecodeTrailingIdString(in);
}

// "A".."Z", then "AA".. for the alphabetic instance modifier.
std::string AlphaModifier(unsigned value) {
  std::string text;
  if (value >= 26)
    text.push_back(static_cast<char>('A' + value / 26 - 1));
  text.push_back(static_cast<char>('A' + value % 26));
  return text;
}

}  // namespace

std::optional<SensorRecord> DecodeSensorRecord(const SdrRecord& record) {
  if (record.bytes.size() < kSdrHeaderSize)
    return std::nullopt;
  try {
    const SdrHeader header = DecodeSdrHeader(record.bytes);
    const std::size_t bodySize =
        std::min<std::size_t>(header.bodyLength, record.bytes.size() - kSdrHeaderSize);
    PayloadReader in(record.bytes.data() + kSdrHeaderSize, bodySize, "sensor record");
    SensorRecord s;
    s.recordId = header.recordId;
    s.recordType = header.recordType;
    switch (header.recordType) {
      case sdr_type::kFullSensor:
        DecodeFull(in, s);
        break;
      case sdr_type::kCompactSensor:
        DecodeCompact(in, s);
        break;
      case sdr_type::kEventOnly:
        DecodeEventOnly(in, s);
        break;
      default:
        return std::nullopt;
    }
    return s;
  } catch (const TruncatedPayload&) {
    return std::nullopt;
  }
}

std::vector<SensorRecord> ExpandSharedSensors(const SensorRecord& record) {
  if (record.sharing.count <= 1)
    return {record};
  std::vector<SensorRecord> sensors;
  for (unsigned i = 0; i < record.sharing.count; ++i) {
    SensorRecord s = record;
    s.sharing.count = 1;
    s.sensorNumber = static_cast<std::uint8_t>(record.sensorNumber + i);
    const unsigned modifier = record.sharing.modifierOffset + i;
    s.idString += record.sharing.alphaModifier ? AlphaModifier(modifier) : std::to_string(modifier);
    if (record.sharing.entityInstanceIncrements)
      s.entity.instance = (record.entity.instance + i) & 0x7f;
    sensors.push_back(std::move(s));
  }
  return sensors;
}

}  // namespace marlek
