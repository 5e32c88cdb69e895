// Arbitrary bytes as an SDR record: every decoder must either reject them
// or give values that the rest of the library can use without crashing.
#include "sdr/sdr_cache.h"
#include "sdr/sdr_record.h"
#include "sensor/sensor_conversion.h"
#include "sensor/sensor_states.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

void Check(bool condition) {
  if (!condition)
    std::abort();
}

void ExerciseSensor(const marlek::SensorRecord& record) {
  const std::vector<marlek::SensorRecord> sensors = marlek::ExpandSharedSensors(record);
  Check(!sensors.empty() && sensors.size() <= 15);
  for (const marlek::SensorRecord& s : sensors) {
    Check(s.sharing.count == 1);
    for (unsigned raw = 0; raw < 256; ++raw) {
      const double value = marlek::ConvertRawValue(s.factors, static_cast<std::uint8_t>(raw));
      if (s.factors.linearization == marlek::linearization::kLinear)
        Check(std::isfinite(value));
    }
    for (std::uint16_t states : {std::uint16_t{0}, std::uint16_t{0x7fff}, s.readingMask}) {
      Check(!marlek::DiscreteStateText(s, states).empty());
      const auto health = marlek::DiscreteHealth(s, states);
      Check(!health || (*health >= 5 && *health <= 30));
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  marlek::SdrRecord record;
  record.bytes.assign(data, data + size);
  if (auto sensor = marlek::DecodeSensorRecord(record))
    ExerciseSensor(*sensor);
  marlek::DecodeFruDeviceLocator(record);
  marlek::DecodeMcDeviceLocator(record);
  if (size > 0)
    marlek::DecodeIdString(data[0], data + 1, size - 1);

  // The same bytes as a cache file must be rejected or give whole records.
  marlek::SdrCacheKey key{"fuzz", marlek::BmcIdentity{}};
  Ipmi::SdrRepositoryInfo info{};
  if (auto cached = marlek::DecodeSdrCache(record.bytes, key, info)) {
    for (const auto& r : *cached)
      Check(r.bytes.size() >= 5);
  }
  return 0;
}
