#pragma once

#include <Ipmi/Entity.h>
#include <Ipmi/Export.h>

#include <cstdint>
#include <memory>
#include <string>

namespace Ipmi {

// One sensor of a node: a full or compact SDR record (one per shared sensor
// of a compact record) or an event-only record, with its latest reading.
class IPMI_API IpmiSensor {
 public:
  class Impl;  // the decoded record and reading; defined by the library
  explicit IpmiSensor(std::unique_ptr<Impl> impl);
  virtual ~IpmiSensor();
  IpmiSensor(const IpmiSensor&) = delete;
  IpmiSensor& operator=(const IpmiSensor&) = delete;

  bool scanningDisabled() const;
  bool readingStateUnavailable() const;
  // True, with a CIM HealthState value in healthState, only for sensors whose
  // reading carries health (documented in docs/sensors.md).
  virtual bool getHealthState(int& healthState) const;
  // True when the reading is a set of states rather than a number.
  virtual bool isDiscrete() const;

  std::uint32_t getSensorNumber() const;
  std::string getDescription() const;
  Entity getEntity() const;
  std::uint32_t getReading() const;
  std::string convertToEnumeration() const;
  double convertRawValue(std::uint32_t raw) const;
  std::string getBaseUnitString() const;
  std::string getSensorTypeString() const;
  // The SDR record, header included; data stays null when there is none.
  void RawRecord(const char*& data, int& length) const;

  // When the reading arrived, microseconds since 1970.
  std::uint64_t readingTimeUsec = 0;

  Impl& impl() { return *impl_; }
  const Impl& impl() const { return *impl_; }

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace Ipmi
