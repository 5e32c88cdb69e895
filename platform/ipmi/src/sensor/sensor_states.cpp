#include "sensor/sensor_states.h"

#include "tables/event_tables.h"
#include "wire/hex_text.h"

#include <algorithm>

namespace marlek {
namespace {

constexpr int kMaxOffsets = 15;

bool HasStateTable(std::uint8_t readingType) {
  return (readingType >= reading_type::kFirstGeneric && readingType <= reading_type::kLastGeneric) ||
         readingType == reading_type::kSensorSpecific;
}

int HealthValue(StateHealth h) {
  switch (h) {
    case StateHealth::Degraded:
      return health::kDegraded;
    case StateHealth::Critical:
      return health::kCritical;
    case StateHealth::NonRecoverable:
      return health::kNonRecoverable;
    case StateHealth::Ok:
    case StateHealth::None:
      break;
  }
  return health::kOk;
}

}  // namespace

std::string DiscreteStateText(const SensorRecord& sensor, std::uint16_t states) {
  if (states == 0)
    return kNoStateAsserted;
  std::string text;
  for (int offset = 0; offset < kMaxOffsets; ++offset) {
    if (!(states & (1u << offset)))
      continue;
    const char* name =
        HasStateTable(sensor.eventReadingType)
            ? EventOffsetText(sensor.eventReadingType, sensor.sensorType, static_cast<std::uint8_t>(offset))
            : nullptr;
    if (!name)
      continue;
    if (!text.empty())
      text += ", ";
    text += name;
  }
  if (text.empty()) {
    text = "Undefined states " + Hex(states, 4);
  }
  return text;
}

std::string ThresholdStateText(std::uint16_t comparison) {
  static constexpr const char* kNames[] = {"Lower Non-critical", "Lower Critical", "Lower Non-recoverable",
                                           "Upper Non-critical", "Upper Critical", "Upper Non-recoverable"};
  std::string text;
  for (int bit = 0; bit < 6; ++bit) {
    if (comparison & (1u << bit))
      text += (text.empty() ? "" : ", ") + std::string(kNames[bit]);
  }
  return text.empty() ? kNoStateAsserted : text;
}

int ThresholdHealth(std::uint16_t comparison) {
  constexpr std::uint16_t kNonRecoverable = 0x04 | 0x20;
  constexpr std::uint16_t kCritical = 0x02 | 0x10;
  constexpr std::uint16_t kNonCritical = 0x01 | 0x08;
  if (comparison & kNonRecoverable)
    return health::kNonRecoverable;
  if (comparison & kCritical)
    return health::kCritical;
  if (comparison & kNonCritical)
    return health::kDegraded;
  return health::kOk;
}

std::optional<int> DiscreteHealth(const SensorRecord& sensor, std::uint16_t states) {
  if (!HasStateTable(sensor.eventReadingType))
    return std::nullopt;
  // A reading mask of 0 is taken as "every state of the type": some
  // controllers leave it empty.
  const std::uint16_t readable = sensor.readingMask ? sensor.readingMask : 0x7fff;
  bool named = false, presenceOnly = true, present = false, absent = false;
  int worst = health::kOk;
  for (int offset = 0; offset < kMaxOffsets; ++offset) {
    const auto o = static_cast<std::uint8_t>(offset);
    if (!EventOffsetText(sensor.eventReadingType, sensor.sensorType, o))
      continue;
    named = true;
    const bool asserted = states & (1u << offset);
    switch (EventOffsetPresence(sensor.eventReadingType, sensor.sensorType, o)) {
      case StatePresence::Present:
        present |= asserted;
        break;
      case StatePresence::Absent:
        absent |= asserted;
        break;
      case StatePresence::None:
        presenceOnly &= !(readable & (1u << offset));
        break;
    }
    if (asserted)
      worst = std::max(worst, HealthValue(EventOffsetHealth(sensor.eventReadingType, sensor.sensorType, o)));
  }
  // A sensor type without named states (OEM, reserved, or one such as
  // temperature that defines none): its states mean what its maker says.
  if (!named)
    return std::nullopt;
  // A fault is shown even where presence is unclear; an entity that is not
  // there has no health.
  if (worst == health::kOk && (absent || (presenceOnly && !present)))
    return std::nullopt;
  return worst;
}

}  // namespace marlek
