#pragma once
// The sensors of an open node: one per full record, one per shared sensor
// of compact and event-only records, each with its reading.

#include "node/node_context.h"
#include "sensor/sensor_impl.h"

#include <Ipmi/Sensor.h>

#include <memory>
#include <vector>

namespace marlek {

// One Impl per sensor the records describe, in record order; no readings.
std::vector<std::unique_ptr<Ipmi::IpmiSensor::Impl>> BuildSensors(const std::vector<SdrRecord>& records,
                                                                  const std::string& where);

// Get Sensor Reading for every sensor that has one, pipelined in record
// order; then Get Sensor Reading Factors for non-linear sensors. Each
// sensor's readingTimeUsec is set when its answer arrived. A transport
// failure of one request leaves that sensor failed, not the others.
void ReadSensors(const std::shared_ptr<Transport>& transport,
                 std::vector<std::unique_ptr<Ipmi::IpmiSensor::Impl>>& sensors,
                 std::vector<std::uint64_t>& readAtUsec);

// The sensors of the node with their readings (LoadSdrRecords, BuildSensors, ReadSensors).
std::vector<std::shared_ptr<Ipmi::IpmiSensor>> LoadSensors(NodeContext& node);

}  // namespace marlek
