// Lookup over the event/reading offset data in event_offsets.def.
#include "tables/event_tables.h"

#include <algorithm>
#include <iterator>

namespace marlek {
namespace {

struct Meaning {
  StateHealth health;
  StatePresence presence;
};

// The health column of event_offsets.def.
namespace column {
constexpr Meaning None{StateHealth::None, StatePresence::None};
constexpr Meaning Ok{StateHealth::Ok, StatePresence::None};
constexpr Meaning Degraded{StateHealth::Degraded, StatePresence::None};
constexpr Meaning Critical{StateHealth::Critical, StatePresence::None};
constexpr Meaning NonRecoverable{StateHealth::NonRecoverable, StatePresence::None};
constexpr Meaning Present{StateHealth::None, StatePresence::Present};
constexpr Meaning Absent{StateHealth::None, StatePresence::Absent};
}  // namespace column

struct OffsetEntry {
  std::uint8_t readingType;
  std::uint8_t sensorType;  // only for sensor-specific entries
  std::uint8_t offset;
  Meaning meaning;
  const char* text;
};

constexpr OffsetEntry kOffsets[] = {
#define GENERIC(readingType, offset, health, text) {readingType, 0, offset, column::health, text},
#define SPECIFIC(sensorType, offset, health, text) \
  {reading_type::kSensorSpecific, sensorType, offset, column::health, text},
#include "tables/event_offsets.def"
#undef GENERIC
#undef SPECIFIC
};

const OffsetEntry* FindOffset(std::uint8_t readingType, std::uint8_t sensorType, std::uint8_t offset) {
  const bool specific = readingType == reading_type::kSensorSpecific;
  auto it = std::find_if(std::begin(kOffsets), std::end(kOffsets), [&](const OffsetEntry& e) {
    return e.readingType == readingType && e.offset == offset && (!specific || e.sensorType == sensorType);
  });
  return it == std::end(kOffsets) ? nullptr : &*it;
}

}  // namespace

const char* EventOffsetText(std::uint8_t eventReadingType, std::uint8_t sensorType, std::uint8_t offset) {
  const OffsetEntry* e = FindOffset(eventReadingType, sensorType, offset);
  return e ? e->text : nullptr;
}

StateHealth EventOffsetHealth(std::uint8_t eventReadingType, std::uint8_t sensorType, std::uint8_t offset) {
  const OffsetEntry* e = FindOffset(eventReadingType, sensorType, offset);
  return e ? e->meaning.health : StateHealth::None;
}

StatePresence EventOffsetPresence(std::uint8_t eventReadingType, std::uint8_t sensorType,
                                  std::uint8_t offset) {
  const OffsetEntry* e = FindOffset(eventReadingType, sensorType, offset);
  return e ? e->meaning.presence : StatePresence::None;
}

}  // namespace marlek
