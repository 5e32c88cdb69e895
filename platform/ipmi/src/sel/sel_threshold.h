#pragma once
// A threshold event's trigger reading and threshold (event data 2 and 3)
// converted with the full sensor record of the sensor that logged it.

#include "sdr/sdr_repository.h"
#include "sel/sel_event_text.h"

#include <vector>

namespace marlek {
namespace sel {

// "480 RPM", "41.5 degrees C"; empty texts when the repository holds no
// full record for the event's owner, LUN and sensor number, or when the
// sensor's conversion depends on the reading (non-linear).
ThresholdTexts ConvertThresholdData(const std::vector<SdrRecord>& records, const SystemEvent& event);

}  // namespace sel
}  // namespace marlek
