#include "sel/sel_severity.h"

#include "tables/event_tables.h"

namespace marlek {
namespace sel {
namespace {

using namespace severity;

// The severity of an asserted state, from the health the offset table gives
// it: threshold levels (non-critical, critical, non-recoverable), generic
// severity transitions and sensor-specific fault states carry a health;
// every other named state is informational; a state no table names is
// unknown.
int AssertedSeverity(const SystemEvent& event) {
  if (EventOffsetText(event.eventReadingType, event.sensorType, event.offset) == nullptr)
    return kUnknown;
  switch (EventOffsetHealth(event.eventReadingType, event.sensorType, event.offset)) {
    case StateHealth::Degraded:
      return kDegradedWarning;
    case StateHealth::Critical:
      return kCritical;
    case StateHealth::NonRecoverable:
      return kFatal;
    case StateHealth::Ok:
    case StateHealth::None:
      break;
  }
  return kInformation;
}

}  // namespace

int SelSeverity(const SelEntry& entry) {
  if (entry.kind != RecordKind::kSystemEvent)
    return kNone;
  const SystemEvent& event = entry.system;
  if (event.eventReadingType >= kFirstOemReadingType)
    return kNone;
  if (event.deassertion)
    return kOther;
  return AssertedSeverity(event);
}

}  // namespace sel
}  // namespace marlek
