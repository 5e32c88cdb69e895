#pragma once
// What a sensor's state bits say: the asserted states of a discrete sensor
// as text, and the CIM HealthState a reading carries.

#include "sdr/sdr_record.h"

#include <cstdint>
#include <optional>
#include <string>

namespace marlek {

// CIM HealthState values.
namespace health {
constexpr int kUnknown = 0;
constexpr int kOk = 5;
constexpr int kDegraded = 10;
constexpr int kCritical = 25;
constexpr int kNonRecoverable = 30;
}  // namespace health

// The text of a discrete sensor without any asserted state.
constexpr const char* kNoStateAsserted = "No state asserted";

// The asserted states in offset order, joined by ", ". Offsets without a
// name in the tables are left out; when only such offsets are asserted the
// text is "Undefined states 0xNNNN".
std::string DiscreteStateText(const SensorRecord& sensor, std::uint16_t states);

// The threshold comparison bits as text: "Upper Critical", ... or
// kNoStateAsserted.
std::string ThresholdStateText(std::uint16_t comparison);

// From the threshold comparison bits: 30 at a non-recoverable threshold, 25
// at a critical one, 10 at a non-critical one, else 5.
int ThresholdHealth(std::uint16_t comparison);

// For a discrete sensor of a reading type and sensor type whose states the
// tables name (event_offsets.def): the health of the worst asserted state,
// 5 when none is a fault. Nothing for other types, and nothing for an
// entity that is not there: a state saying it is absent is asserted, or the
// sensor reports only presence and does not say it is present.
std::optional<int> DiscreteHealth(const SensorRecord& sensor, std::uint16_t states);

}  // namespace marlek
