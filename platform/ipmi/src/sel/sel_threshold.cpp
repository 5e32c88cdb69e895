#include "sel/sel_threshold.h"

#include "sensor/sensor_conversion.h"

#include "sdr/sdr_record.h"
#include "tables/event_tables.h"

#include <cstdio>
#include <string>

namespace marlek {
namespace sel {
namespace {

constexpr std::uint8_t kUnspecifiedUnit = 0;

std::optional<SensorRecord> FindFullSensor(const std::vector<SdrRecord>& records, const SystemEvent& event) {
  const std::uint8_t owner =
      static_cast<std::uint8_t>(event.generatorAddress << 1 | (event.softwareGenerator ? 1 : 0));
  for (const SdrRecord& record : records) {
    if (record.recordType != sdr_type::kFullSensor)
      continue;
    std::optional<SensorRecord> sensor = DecodeSensorRecord(record);
    if (sensor && sensor->ownerId == owner && sensor->ownerLun == event.lun &&
        sensor->sensorNumber == event.sensorNumber)
      return sensor;
  }
  return std::nullopt;
}

// Up to three decimals, without trailing zeros: "480", "41.5", "1.225".
std::string NumberText(double value) {
  char text[48];
  std::snprintf(text, sizeof text, "%.3f", value);
  std::string out = text;
  while (!out.empty() && out.back() == '0')
    out.pop_back();
  if (!out.empty() && out.back() == '.')
    out.pop_back();
  return out == "-0" ? "0" : out;
}

std::string ValueText(const SensorRecord& sensor, std::uint8_t raw) {
  std::string text = NumberText(ConvertRawValue(sensor.factors, raw));
  if (sensor.units.percentage)
    return text + " %";
  if (sensor.units.base != kUnspecifiedUnit) {
    if (const char* unit = UnitName(sensor.units.base))
      text += std::string(" ") + unit;
  }
  return text;
}

}  // namespace

ThresholdTexts ConvertThresholdData(const std::vector<SdrRecord>& records, const SystemEvent& event) {
  ThresholdTexts texts;
  const std::optional<SensorRecord> sensor = FindFullSensor(records, event);
  if (!sensor || sensor->factors.NonLinear() || sensor->units.format == AnalogFormat::kNone)
    return texts;
  if (event.data2Usage == EventDataUsage::kFirst)
    texts.reading = ValueText(*sensor, event.eventData[1]);
  if (event.data3Usage == EventDataUsage::kFirst)
    texts.threshold = ValueText(*sensor, event.eventData[2]);
  return texts;
}

}  // namespace sel
}  // namespace marlek
