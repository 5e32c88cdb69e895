// Every sensor of a simulated server, as this library reads it, against
// ipmitool (`sdr elist all`, `sensor list`) and FreeIPMI (`ipmi-sensors`)
// reading the same simulator: readings within the precision the peer
// prints, units, sensor types and discrete states equal after the name
// mapping below. Deliberate differences are listed with their reasons;
// any other disagreement fails the test.
#include "peer_output.h"

#include "support/peer_tools.h"
#include "support/simulated_bmc.h"

#include "sensor/sensor_impl.h"
#include "sensor/sensor_states.h"

#include <Ipmi/Ipmi.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <deque>
#include <map>
#include <set>
#include <sstream>

#include <unistd.h>

namespace marlek::crosscheck {
namespace {

// Where the peers print the same fact in other words.
//
// Sensor types: FreeIPMI's names (left) for the IPMI names we use.
const std::map<std::string, std::string> kFreeIpmiTypeNames = {
    {"Drive Slot", "Drive Slot (Bay)"},
    {"OS Critical Stop", "OS Stop / Shutdown"},
    {"OS Boot", "Base OS Boot / Installation Status"},
    {"System Boot Initiated", "System Boot / Restart Initiated"},
    {"Platform Security Violation Attempt", "Platform Security"},
};
// Units: FreeIPMI abbreviates the percentage.
const std::map<std::string, std::string> kFreeIpmiUnits = {{"%", "percent"}};

// Where the peers disagree with each other:
// - sensors owned by a system software ID: ipmitool reads them through the
//   BMC, FreeIPMI does not; we follow ipmitool (the BMC answers for them);
// - "Absent": ipmitool ok, FreeIPMI critical; we follow ipmitool (no health);
// - "Redundancy Lost": ipmitool ok, FreeIPMI critical; we follow neither and
//   say degraded;
// - a power supply's "AC lost": ipmitool ok, FreeIPMI critical; we follow
//   FreeIPMI (critical), so no difference shows for it below;
// - threshold comparison bits: ipmitool shows them, FreeIPMI may say
//   Nominal; we follow ipmitool;
// - thresholds from the SDR against Get Sensor Thresholds: we show none.
//
// Deliberate differences, by kind, with the reason we differ.
const std::map<std::string, std::string> kDeliberate = {
    {"no-state-text",
     "a discrete sensor without asserted states: ipmitool prints nothing, we print \"No state asserted\" so "
     "that the column is never empty"},
    {"undefined-states",
     "only offsets the IPMI tables do not name are asserted: ipmitool prints nothing, we print \"Undefined "
     "states 0xNNNN\" rather than hide that bits are set"},
    {"shared-sensors",
     "ipmitool shows only the first sensor of a shared compact record, under the record's ID string; we list "
     "every shared sensor with its instance modifier (FreeIPMI --shared-sensors agrees with us)"},
    {"six-bit-id",
     "an ID string in 6-bit packed ASCII: ipmitool prints its bytes as if they were 8-bit text; we unpack "
     "it, so "
     "the sensor is matched by number and entity"},
    {"health-redundancy-lost",
     "peers disagree: FreeIPMI calls \"Redundancy Lost\" critical, ipmitool ok; we say degraded (10): the "
     "system still runs on its remaining units"},
    {"health-absent",
     "peers disagree: FreeIPMI calls an absent entity critical, ipmitool ok; we follow ipmitool: whether an "
     "optional entity is fitted says nothing about health, so such sensors carry none"},
    {"health-threshold-bits",
     "peers disagree: for a threshold sensor whose comparison bits the BMC sets (at or below lower "
     "non-critical), FreeIPMI still says Nominal while ipmitool shows the status; we follow ipmitool: the "
     "comparison bits are the BMC's own judgement of the reading"},
    {"software-owner",
     "sensors owned by a system software ID (odd owner IDs): FreeIPMI does not read them; we follow "
     "ipmitool, "
     "which addresses the owner through the BMC and gets the reading it answers"},
};

struct Finding {
  std::string kind;  // a kDeliberate key, or "mismatch"
  std::string text;
};

using SensorPtr = std::shared_ptr<Ipmi::IpmiSensor>;

struct Ours {
  SensorPtr sensor;
  SensorRecord recordLevel;  // as the record says, before sharing is expanded
  unsigned shareIndex = 0;
};

// ipmitool prints at most 16 characters, without trailing blanks.
std::string ElistName(const std::string& id) {
  std::string name = id.substr(0, 16);
  while (!name.empty() && name.back() == ' ')
    name.pop_back();
  return name;
}

std::string Hex(unsigned v) {
  char t[8];
  std::snprintf(t, sizeof t, "%02Xh", v);
  return t;
}

std::string Describe(const Ours& o) {
  const auto& r = o.sensor->impl().record;
  return "'" + r.idString + "' #" + Hex(r.sensorNumber) + " (record " + std::to_string(r.recordId) + ")";
}

bool Readable(const Ours& o) {
  return o.sensor->impl().Readable();
}

bool WithinPrinted(double ours, const std::string& printed) {
  char* end = nullptr;
  const double theirs = std::strtod(printed.c_str(), &end);
  if (end == printed.c_str())
    return false;
  const double halfUnit = 0.5 * std::pow(10.0, -DecimalPlaces(printed));
  return std::fabs(ours - theirs) <= halfUnit + 1e-9 * std::max(1.0, std::fabs(theirs));
}

class Comparison {
 public:
  explicit Comparison(std::vector<Ours> ours) : ours_(std::move(ours)) {}

  void AgainstFreeIpmi(const std::vector<FreeIpmiRow>& rows) {
    std::map<std::uint16_t, std::deque<FreeIpmiRow>> byRecord;
    for (const auto& r : rows)
      byRecord[r.recordId].push_back(r);
    for (const Ours& o : ours_) {
      auto& queue = byRecord[o.sensor->impl().record.recordId];
      if (queue.empty()) {
        if (!o.sensor->impl().record.IsEventOnly())
          Add("mismatch", Describe(o) + ": not listed by FreeIPMI");
        continue;
      }
      const FreeIpmiRow row = queue.front();
      queue.pop_front();
      CompareFreeIpmi(o, row);
    }
  }

  void AgainstIpmitoolElist(const std::vector<IpmitoolElistRow>& rows) {
    std::map<std::pair<std::string, int>, std::deque<const Ours*>> byKey;
    for (const Ours& o : ours_) {
      if (o.shareIndex == 0)
        byKey[{ElistName(o.recordLevel.idString), o.recordLevel.sensorNumber}].push_back(&o);
      else
        Add("shared-sensors", Describe(o) + ": not listed by ipmitool");
    }
    std::vector<const IpmitoolElistRow*> unmatched;
    for (const auto& row : rows) {
      auto& queue = byKey[{row.name, row.number}];
      if (queue.empty()) {
        if (row.value.find("FRU @") == std::string::npos && row.value.find("MC @") == std::string::npos)
          unmatched.push_back(&row);
        continue;
      }
      const Ours* o = queue.front();
      queue.pop_front();
      CompareElist(*o, row);
    }
    // Names ipmitool cannot print: match by number and entity instead.
    for (const IpmitoolElistRow* row : unmatched) {
      const Ours* match = nullptr;
      for (auto& [key, queue] : byKey) {
        for (auto it = queue.begin(); !match && it != queue.end(); ++it) {
          const auto e = (*it)->sensor->getEntity();
          if (key.second == row->number &&
              row->entity == std::to_string(e.id) + "." + std::to_string(e.instance)) {
            match = *it;
            queue.erase(it);
            break;
          }
        }
      }
      if (!match) {
        Add("mismatch", "ipmitool lists '" + row->name + "' #" + Hex(row->number) + " which we do not");
        continue;
      }
      const bool garbled = std::any_of(row->name.begin(), row->name.end(), [](char ch) {
        return static_cast<unsigned char>(ch) >= 0x7f || ch < 0x20;
      });
      Add(garbled ? "six-bit-id" : "mismatch", Describe(*match) + ": ipmitool names it '" + row->name + "'");
      CompareElist(*match, *row);
    }
  }

  void AgainstIpmitoolSensorList(const std::vector<IpmitoolSensorRow>& rows) {
    std::map<std::string, int> ourNames, theirNames;
    for (const Ours& o : ours_)
      ourNames[o.recordLevel.idString] += o.shareIndex == 0;
    for (const auto& r : rows)
      ++theirNames[r.name];
    for (const auto& row : rows) {
      if (ourNames[row.name] != 1 || theirNames[row.name] != 1 || row.unit == "discrete")
        continue;
      for (const Ours& o : ours_) {
        if (o.shareIndex != 0 || o.recordLevel.idString != row.name)
          continue;
        ++checked_;
        if (row.value == "na") {
          if (Readable(o) && o.sensor->impl().reading.scanningEnabled)
            Add("mismatch", Describe(o) + ": ipmitool sensor list has no value, we read one");
          continue;
        }
        if (!Readable(o)) {
          Add("mismatch", Describe(o) + ": ipmitool sensor list reads " + row.value + ", we have no reading");
          continue;
        }
        const double value = o.sensor->convertRawValue(o.sensor->getReading());
        if (!WithinPrinted(value, row.value))
          Add("mismatch",
              Describe(o) + ": value " + std::to_string(value) + ", ipmitool sensor list " + row.value);
        if (row.unit != o.sensor->getBaseUnitString())
          Add("mismatch",
              Describe(o) + ": unit '" + o.sensor->getBaseUnitString() + "', ipmitool '" + row.unit + "'");
      }
    }
  }

  const std::vector<Finding>& findings() const { return findings_; }
  int checked() const { return checked_; }

 private:
  void Add(const std::string& kind, const std::string& text) { findings_.push_back({kind, text}); }

  void CompareFreeIpmi(const Ours& o, const FreeIpmiRow& row) {
    ++checked_;
    const Ipmi::IpmiSensor& s = *o.sensor;
    std::string theirType = row.type;
    if (auto it = kFreeIpmiTypeNames.find(theirType); it != kFreeIpmiTypeNames.end())
      theirType = it->second;
    const std::string ourType = s.getSensorTypeString();
    const bool oem = theirType == "OEM Reserved" && ourType.rfind("OEM reserved", 0) == 0;
    if (!oem && Normalize(theirType) != Normalize(ourType))
      Add("mismatch", Describe(o) + ": type '" + ourType + "', FreeIPMI '" + row.type + "'");

    const bool theyRead = row.eventBitmask.has_value();
    if (!theyRead) {
      if (Readable(o) && (o.recordLevel.ownerId & 0x01))
        Add("software-owner", Describe(o) + ": FreeIPMI has no reading");
      else if (Readable(o) && o.sensor->impl().reading.scanningEnabled)
        Add("mismatch", Describe(o) + ": FreeIPMI has no reading, we read one");
      return;
    }
    if (!Readable(o)) {
      Add("mismatch", Describe(o) + ": FreeIPMI reads it, we have no reading");
      return;
    }
    const std::uint16_t ourStates = o.sensor->impl().reading.states & 0x7fff;
    if ((*row.eventBitmask & 0x7fff) != ourStates)
      Add("mismatch", Describe(o) + ": states " + Hex(ourStates) + ", FreeIPMI " + Hex(*row.eventBitmask));
    CompareHealth(o, row.state);
    if (row.reading != "N/A") {
      const double value = s.convertRawValue(s.getReading());
      if (!WithinPrinted(value, row.reading))
        Add("mismatch", Describe(o) + ": value " + std::to_string(value) + ", FreeIPMI " + row.reading);
      std::string units = row.units;
      if (auto it = kFreeIpmiUnits.find(units); it != kFreeIpmiUnits.end())
        units = it->second;
      if (units != s.getBaseUnitString())
        Add("mismatch", Describe(o) + ": unit '" + s.getBaseUnitString() + "', FreeIPMI '" + row.units + "'");
    }
  }

  // FreeIPMI's sensor state against our health: Nominal is OK or no
  // health, Warning is degraded, Critical is critical or non-recoverable.
  void CompareHealth(const Ours& o, const std::string& state) {
    if (state == "N/A")
      return;
    int health = 0;
    const bool has = o.sensor->getHealthState(health);
    const bool agree = (state == "Nominal" && (!has || health == 5)) ||
                       (state == "Warning" && has && health == 10) ||
                       (state == "Critical" && has && health >= 25);
    if (agree)
      return;
    const std::string states = o.sensor->isDiscrete() ? o.sensor->convertToEnumeration() : "";
    std::string kind = "mismatch";
    if (states.find("Redundancy Lost") != std::string::npos)
      kind = "health-redundancy-lost";
    else if (states.find("Absent") != std::string::npos)
      kind = "health-absent";
    else if (!o.sensor->isDiscrete() && state == "Nominal")
      kind = "health-threshold-bits";
    Add(kind, Describe(o) + ": FreeIPMI state " + state + ", our health " +
                  (has ? std::to_string(health) : "none") + (states.empty() ? "" : " for '" + states + "'"));
  }

  // ipmitool's status of a threshold sensor against our health.
  void CompareThresholdStatus(const Ours& o, const std::string& status) {
    static const std::map<std::string, int> kStatus = {{"ok", 5},   {"nc", 10},  {"lnc", 10}, {"unc", 10},
                                                       {"cr", 25},  {"lcr", 25}, {"ucr", 25}, {"nr", 30},
                                                       {"lnr", 30}, {"unr", 30}};
    int health = 0;
    const auto it = kStatus.find(status);
    if (!o.sensor->getHealthState(health) || it == kStatus.end() || it->second != health)
      Add("mismatch",
          Describe(o) + ": ipmitool status '" + status + "', our health " + std::to_string(health));
  }

  void CompareElist(const Ours& o, const IpmitoolElistRow& row) {
    ++checked_;
    const Ipmi::IpmiSensor& s = *o.sensor;
    const auto entity = s.getEntity();
    if (row.entity != std::to_string(entity.id) + "." + std::to_string(entity.instance))
      Add("mismatch", Describe(o) + ": entity " + row.entity);
    if (o.sensor->impl().record.IsEventOnly()) {
      if (row.value != "Event-Only")
        Add("mismatch", Describe(o) + ": event-only, ipmitool '" + row.value + "'");
      return;
    }
    const bool ourNoReading = !Readable(o) || s.scanningDisabled();
    if ((row.status == "ns") != ourNoReading) {
      Add("mismatch", Describe(o) + ": ipmitool status '" + row.status + "', we " +
                          (ourNoReading ? "have no reading" : "read it"));
      return;
    }
    if (ourNoReading) {
      if (row.value == "Disabled" && !s.scanningDisabled())
        Add("mismatch", Describe(o) + ": ipmitool says scanning is disabled");
      return;
    }
    if (!s.isDiscrete()) {
      CompareThresholdStatus(o, row.status);
      const auto space = row.value.find(' ');
      const std::string number = row.value.substr(0, space);
      const std::string unit = space == std::string::npos ? "" : row.value.substr(space + 1);
      const double value = s.convertRawValue(s.getReading());
      if (!WithinPrinted(value, number))
        Add("mismatch", Describe(o) + ": value " + std::to_string(value) + ", ipmitool " + row.value);
      if (unit != s.getBaseUnitString())
        Add("mismatch", Describe(o) + ": unit '" + s.getBaseUnitString() + "', ipmitool '" + unit + "'");
      return;
    }
    const std::string ours = s.convertToEnumeration();
    if (row.value.empty() && ours == kNoStateAsserted)
      Add("no-state-text", Describe(o));
    else if (row.value.empty() && ours.rfind("Undefined states", 0) == 0)
      Add("undefined-states", Describe(o) + ": " + ours);
    else if (row.value != ours)
      Add("mismatch", Describe(o) + ": states '" + ours + "', ipmitool '" + row.value + "'");
  }

  std::vector<Ours> ours_;
  std::vector<Finding> findings_;
  int checked_ = 0;
};

std::vector<Ours> OurSensors(const std::vector<SensorPtr>& sensors) {
  std::vector<Ours> ours;
  for (const auto& s : sensors) {
    SdrRecord raw;
    raw.bytes = s->impl().rawRecord;
    const auto record = DecodeSensorRecord(raw);
    if (!record)
      continue;
    ours.push_back(
        Ours{s, *record, static_cast<unsigned>(s->impl().record.sensorNumber - record->sensorNumber)});
  }
  return ours;
}

struct ServerCase {
  const char* name;
  const char* emu;  // under the fixtures folder; empty: the project's own server
};

class CrossCheck : public ::testing::TestWithParam<ServerCase> {};

TEST_P(CrossCheck, EverySensorAgreesWithThePeers) {
  const ServerCase c = GetParam();
  for (const char* tool : {"ipmi_sim", "ipmitool", "ipmi-sensors"}) {
    if (!testing::HaveProgram(tool))
      GTEST_SKIP() << tool << " is not installed";
  }
  std::vector<std::string> emu;
  if (c.emu[0]) {
    emu.push_back(testing::ServerCapture(c.emu));
    if (::access(emu[0].c_str(), R_OK) != 0)
      GTEST_SKIP() << "no capture at " << emu[0];
  }
  testing::SimulatedBmc sim(emu);
  ASSERT_TRUE(sim.Started()) << sim.StartLog();

  // Through the library's own entry points and the configuration simctl
  // wrote, as the plug-in reaches it.
  ::setenv("MARLEK_IPMI_CONF", sim.ConfPath().c_str(), 1);
  ASSERT_EQ(Ipmi::IpmiIfcOpenIpmiOpen(0), 0);
  ASSERT_NE(Ipmi::IpmiIfcSdrGetInfo(0), -1);
  const auto sensors = Ipmi::IpmiIfc::getSensors(0);
  Ipmi::IpmiIfcOpenIpmiClose(0);
  ::unsetenv("MARLEK_IPMI_CONF");
  ASSERT_FALSE(sensors.empty());

  const std::string ipmitool = testing::IpmitoolCommand(sim, 180);
  const auto elist = ParseIpmitoolElist(testing::RunCommand(ipmitool + " sdr elist all"));
  const auto slist = ParseIpmitoolSensorList(testing::RunCommand(ipmitool + " sensor list"));
  const std::string freeIpmiConf = sim.Dir() + "/freeipmi.conf";
  testing::RunCommand("printf 'username admin\\npassword %s\\n' \"$(cat " + sim.PasswordFile() + ")\" > " +
                      freeIpmiConf + " && chmod 600 " + freeIpmiConf + " && mkdir -p " + sim.Dir() +
                      "/fcache");
  const auto freeIpmi = ParseFreeIpmiSensors(testing::RunCommand(
      "timeout 180 ipmi-sensors -h 127.0.0.1:" + std::to_string(sim.Port(0)) + " --config-file=" +
      freeIpmiConf + " -l admin --driver-type=LAN_2_0 -W opensesspriv --sdr-cache-directory=" + sim.Dir() +
      "/fcache --quiet-cache --no-header-output --comma-separated-output --output-sensor-state "
      "--output-event-bitmask --non-abbreviated-units --shared-sensors --bridge-sensors"));
  ASSERT_FALSE(elist.empty()) << "ipmitool printed no sensors";
  ASSERT_FALSE(freeIpmi.empty()) << "FreeIPMI printed no sensors";

  Comparison comparison(OurSensors(sensors));
  comparison.AgainstFreeIpmi(freeIpmi);
  comparison.AgainstIpmitoolElist(elist);
  comparison.AgainstIpmitoolSensorList(slist);

  std::map<std::string, int> deliberate;
  for (const Finding& f : comparison.findings()) {
    if (kDeliberate.count(f.kind))
      ++deliberate[f.kind];
    else
      ADD_FAILURE() << c.name << ": " << f.text;
  }
  std::ostringstream summary;
  summary << c.name << ": " << sensors.size() << " sensors, " << comparison.checked() << " comparisons";
  for (const auto& [kind, n] : deliberate)
    summary << "; " << n << " x " << kind << " (" << kDeliberate.at(kind) << ")";
  std::cout << summary.str() << "\n";
}

INSTANTIATE_TEST_SUITE_P(
    Servers, CrossCheck,
    ::testing::Values(ServerCase{"project_server", ""}, ServerCase{"quanta_d51", "quanta_d51.emu"},
                      ServerCase{"s2600wtt", "s2600wtt.emu"}, ServerCase{"dell_r730xd", "dell_r730xd.emu"}),
    [](const ::testing::TestParamInfo<ServerCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace marlek::crosscheck
