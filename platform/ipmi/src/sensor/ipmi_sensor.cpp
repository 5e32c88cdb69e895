// The queries of one sensor.
#include "sdr/sdr_commands.h"
#include "sensor/sensor_conversion.h"
#include "sensor/sensor_impl.h"
#include "sensor/sensor_states.h"
#include "tables/event_tables.h"
#include "wire/completion_code.h"
#include "wire/hex_text.h"

#include <Ipmi/CmpiStatus.h>

namespace Ipmi {
namespace {

using Outcome = IpmiSensor::Impl::ReadOutcome;

std::string CodeName(const char* prefix, std::uint8_t code) {
  return std::string(prefix) + " (" + marlek::Hex(code) + ")";
}

const char* UnitOrNull(std::uint8_t code) {
  return marlek::UnitName(code);
}

std::string UnitText(std::uint8_t code) {
  const char* name = UnitOrNull(code);
  return name ? name : CodeName("unknown unit", code);
}

bool DiscreteReadingType(const marlek::SensorRecord& r) {
  return !r.IsThreshold() && !(r.eventReadingType == 0x00 && r.recordType == marlek::sdr_type::kFullSensor);
}

}  // namespace

marlek::Target IpmiSensor::Impl::Owner() const {
  marlek::Target t;
  t.channel = record.channel;
  t.slaveAddress = record.ownerId;
  t.lun = record.ownerLun;
  return t;
}

std::string IpmiSensor::Impl::Label() const {
  return "sensor " + marlek::Hex(record.sensorNumber) + " '" + record.idString + "' on " + where;
}

IpmiSensor::IpmiSensor(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
IpmiSensor::~IpmiSensor() = default;

bool IpmiSensor::scanningDisabled() const {
  return impl_->outcome == Outcome::kRead && !impl_->reading.scanningEnabled;
}

bool IpmiSensor::readingStateUnavailable() const {
  switch (impl_->outcome) {
    case Outcome::kEventOnly:
    case Outcome::kNotPresent:
    case Outcome::kNotRead:
      return true;
    case Outcome::kRead:
      return impl_->reading.unavailable;
    case Outcome::kFailed:
      break;
  }
  return false;
}

bool IpmiSensor::getHealthState(int& healthState) const {
  // A reading that failed is shown, with the reason, rather than left out.
  if (impl_->outcome == Outcome::kFailed) {
    healthState = marlek::health::kUnknown;
    return true;
  }
  if (!impl_->Readable() || !impl_->reading.scanningEnabled)
    return false;
  if (impl_->record.IsThreshold()) {
    healthState = marlek::ThresholdHealth(impl_->reading.states);
    return true;
  }
  // A discrete answer without the optional state bytes has no state
  // asserted, as its text says.
  const std::optional<int> h = marlek::DiscreteHealth(impl_->record, impl_->reading.states);
  if (!h)
    return false;
  healthState = *h;
  return true;
}

bool IpmiSensor::isDiscrete() const {
  return DiscreteReadingType(impl_->record);
}

std::uint32_t IpmiSensor::getSensorNumber() const {
  return impl_->record.sensorNumber;
}

std::string IpmiSensor::getDescription() const {
  return impl_->record.idString;
}

Entity IpmiSensor::getEntity() const {
  return impl_->record.entity;
}

// A reading is never made up: where the sensor gave none, the caller gets
// the reason instead of a number (an event-only sensor has no reading to
// give, and reads as no state asserted).
std::uint32_t IpmiSensor::getReading() const {
  switch (impl_->outcome) {
    case Outcome::kFailed:
      throw ostrelInt::CmpiStatus(impl_->failure);
    case Outcome::kNotRead:
      throw ostrelInt::CmpiStatus(impl_->Label() + ": not read");
    case Outcome::kNotPresent:
      throw ostrelInt::CmpiStatus(impl_->Label() + ": the sensor is not present");
    case Outcome::kEventOnly:
      return 0;  // nothing to read: its states are those it has announced, none
    case Outcome::kRead:
      break;
  }
  if (!impl_->reading.scanningEnabled)
    throw ostrelInt::CmpiStatus(impl_->Label() + ": scanning is disabled, there is no reading");
  if (impl_->reading.unavailable)
    throw ostrelInt::CmpiStatus(impl_->Label() + ": the reading is unavailable");
  return impl_->reading.raw;
}

std::string IpmiSensor::convertToEnumeration() const {
  if (impl_->outcome == Outcome::kFailed)
    throw ostrelInt::CmpiStatus(impl_->failure);
  const std::uint16_t states = impl_->outcome == Outcome::kRead ? impl_->reading.states : 0;
  if (impl_->record.IsThreshold())
    return marlek::ThresholdStateText(states);
  return marlek::DiscreteStateText(impl_->record, states);
}

std::string IpmiSensor::getBaseUnitString() const {
  const marlek::SensorUnits& u = impl_->record.units;
  std::string text = UnitText(u.base);
  if (u.modifierUse == 1)
    text += "/" + UnitText(u.modifier);
  else if (u.modifierUse == 2)
    text += "*" + UnitText(u.modifier);
  if (u.percentage)
    text = (u.base == 0 && u.modifierUse == 0) ? "percent" : "% " + text;
  return text;
}

std::string IpmiSensor::getSensorTypeString() const {
  const std::uint8_t type = impl_->record.sensorType;
  if (const char* name = marlek::SensorTypeName(type))
    return name;
  return CodeName(type >= 0xc0 ? "OEM reserved" : "Unknown", type);
}

void IpmiSensor::RawRecord(const char*& data, int& length) const {
  if (impl_->rawRecord.empty())
    return;
  data = reinterpret_cast<const char*>(impl_->rawRecord.data());
  length = static_cast<int>(impl_->rawRecord.size());
}

}  // namespace Ipmi

namespace Ipmi {

double IpmiSensor::convertRawValue(std::uint32_t raw) const {
  const marlek::ConversionFactors& base = impl_->record.factors;
  const std::uint8_t byte = static_cast<std::uint8_t>(raw);
  if (!base.NonLinear())
    return marlek::ConvertRawValue(base, byte);
  auto known = impl_->readingFactors.find(byte);
  if (known != impl_->readingFactors.end())
    return marlek::ConvertRawValue(known->second, byte);

  std::shared_ptr<marlek::Transport> transport = impl_->transport.lock();
  if (!transport)
    throw ostrelInt::CmpiStatus("Get Sensor Reading Factors impossible for " + impl_->Label() +
                                ": the node is closed");
  const marlek::Response r =
      transport->Send(marlek::MakeGetSensorReadingFactors(impl_->Owner(), impl_->record.sensorNumber, byte));
  if (!r.Ok())
    throw ostrelInt::CmpiStatus(
        marlek::FailureText("Get Sensor Reading Factors", impl_->Label(), r.completionCode));
  try {
    const marlek::ConversionFactors f = marlek::DecodeSensorReadingFactors(r, base);
    impl_->readingFactors[byte] = f;
    return marlek::ConvertRawValue(f, byte);
  } catch (const marlek::TruncatedPayload& e) {
    throw ostrelInt::CmpiStatus("Get Sensor Reading Factors failed for " + impl_->Label() + ": " + e.what());
  }
}

}  // namespace Ipmi
