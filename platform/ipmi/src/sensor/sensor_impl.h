#pragma once
// What the library keeps for one sensor: its decoded record, the record's
// bytes, and the outcome of its latest Get Sensor Reading.

#include "sdr/sdr_record.h"
#include "sensor/sensor_reading.h"
#include "transport/message.h"

#include <Ipmi/Sensor.h>

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace Ipmi {

class IpmiSensor::Impl {
 public:
  enum class ReadOutcome {
    kNotRead,     // not asked yet
    kRead,        // reading holds the answer
    kNotPresent,  // the owner answered 0xCB: no such sensor right now
    kFailed,      // any other failure; failure says what
    kEventOnly,   // event-only record: there is nothing to read
  };

  marlek::SensorRecord record;
  std::vector<std::uint8_t> rawRecord;  // SDR record, header included
  std::string where;                    // "node 0 (127.0.0.1:623)"

  ReadOutcome outcome = ReadOutcome::kNotRead;
  marlek::SensorReading reading;
  std::string failure;
  // Non-linear sensors: the factors Get Sensor Reading Factors gave per raw
  // value; the transport asks for more while the node is open.
  std::map<std::uint8_t, marlek::ConversionFactors> readingFactors;
  std::weak_ptr<marlek::Transport> transport;

  // Where Get Sensor Reading goes: the BMC, or the owning controller
  // through the BMC.
  marlek::Target Owner() const;
  bool Readable() const { return outcome == ReadOutcome::kRead && !reading.unavailable; }
  // "sensor 0x30 'CPU1 Temp' on node 0 (...)", for error texts.
  std::string Label() const;
};

}  // namespace Ipmi
