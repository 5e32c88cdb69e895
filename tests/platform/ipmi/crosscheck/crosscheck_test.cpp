// The library against the peer tools on the simulated servers: every
// sensor against ipmitool (`sdr elist all`) and FreeIPMI (`ipmi-sensors`),
// readings within the precision the peer prints, units, entities, types,
// health and states; the FRU inventory against `ipmitool fru print`; the
// SEL against `ipmitool sel elist` and `sel info`.
#include "support/peer_tools.h"

#include "sensor/sensor_impl.h"
#include "sensor/sensor_states.h"

#include <gtest/gtest.h>

#include <cmath>
#include <ctime>
#include <deque>
#include <map>
#include <regex>

namespace marlek {
namespace {

using Cells = std::vector<std::string>;

class CrossCheck : public testing::SimulatedServerTest, public ::testing::WithParamInterface<const char*> {};

// Where we differ from the peers on purpose, and why; any other disagreement fails.
const std::map<std::string, const char*> kDeliberate = {
    {"no-state-text", "no state asserted: ipmitool prints nothing, we say \"No state asserted\""},
    {"undefined-states", "only states the IPMI tables do not name: ipmitool prints nothing, we show them"},
    {"shared-sensors", "ipmitool shows the first sensor of a shared record; we list each (as FreeIPMI)"},
    {"six-bit-id", "ipmitool prints a 6-bit packed ID string as 8-bit text; we unpack it"},
    {"health-redundancy-lost", "FreeIPMI critical, ipmitool ok; we say degraded: the remaining units run"},
    {"health-absent", "FreeIPMI critical or nominal; an entity that is not there has no health"},
    {"health-oem", "FreeIPMI knows some vendors' OEM states; we give OEM sensor and reading types no health"},
    {"health-threshold-bits", "FreeIPMI Nominal, ipmitool the BMC's comparison bits; we follow ipmitool"},
    {"software-owner", "FreeIPMI does not read sensors of a software owner; we ask the BMC, as ipmitool"},
};
// FreeIPMI's names for a few sensor types and units.
const std::map<std::string, std::string> kFreeIpmiNames = {
    {"Drive Slot", "Drive Slot (Bay)"},
    {"OS Critical Stop", "OS Stop / Shutdown"},
    {"OS Boot", "Base OS Boot / Installation Status"},
    {"System Boot Initiated", "System Boot / Restart Initiated"},
    {"Platform Security Violation Attempt", "Platform Security"},
    {"%", "percent"},
};
// ipmitool's threshold sensor status for our health.
const std::map<std::string, int> kIpmitoolStatus = {{"ok", 5},   {"nc", 10},  {"lnc", 10}, {"unc", 10},
                                                    {"cr", 25},  {"lcr", 25}, {"ucr", 25}, {"nr", 30},
                                                    {"lnr", 30}, {"unr", 30}};

std::string Mapped(const std::string& name) {
  return kFreeIpmiNames.count(name) ? kFreeIpmiNames.at(name) : name;
}

struct Ours {
  const Ipmi::IpmiSensor& s;
  SensorRecord record;  // as the SDR holds it, before shared sensors are expanded
  unsigned shareIndex;
  bool Readable() const { return s.impl().Readable(); }
  std::string Entity() const {
    return std::to_string(s.getEntity().id) + "." + std::to_string(s.getEntity().instance);
  }
};

class Comparison {
 public:
  explicit Comparison(const std::vector<std::shared_ptr<Ipmi::IpmiSensor>>& sensors) {
    for (const auto& s : sensors) {
      SdrRecord raw;
      raw.bytes = s->impl().rawRecord;
      if (const auto record = DecodeSensorRecord(raw))
        ours_.push_back({*s, *record, s->getSensorNumber() - record->sensorNumber});
    }
  }

  // Cells: record ID, name, type, state, reading, units, event bitmask.
  void AgainstFreeIpmi(const std::vector<Cells>& rows) {
    std::map<int, std::deque<Cells>> byRecord;
    for (const Cells& row : rows)
      if (row.size() == 7 && std::isdigit(static_cast<unsigned char>(row[0][0])))
        byRecord[std::stoi(row[0])].push_back(row);
    for (const Ours& o : ours_) {
      auto& queue = byRecord[o.record.recordId];
      if (queue.empty())
        Expect(o.record.IsEventOnly(), "mismatch", o, "not listed by FreeIPMI");
      else
        CompareFreeIpmi(o, queue.front()), queue.pop_front();
    }
  }

  // Cells: name, number, status, entity, value; in SDR order.
  void AgainstElist(const std::vector<Cells>& rows) {
    std::map<std::pair<int, std::string>, std::deque<const Ours*>> byKey;
    for (const Ours& o : ours_) {
      Expect(o.shareIndex == 0, "shared-sensors", o, "not listed by ipmitool");
      if (o.shareIndex == 0)
        byKey[{o.record.sensorNumber, o.Entity()}].push_back(&o);
    }
    for (const Cells& row : rows) {
      if (row.size() != 5 || row[1].size() != 3 || row[4].find(" @") != std::string::npos)
        continue;  // not a sensor; "FRU @..." and "MC @..." are locators
      auto& queue = byKey[{std::stoi(row[1], nullptr, 16), row[3]}];
      if (queue.empty()) {
        ADD_FAILURE() << "ipmitool lists '" << row[0] << "' #" << row[1] << " which we do not";
        continue;
      }
      const Ours& o = *queue.front();
      queue.pop_front();
      const bool garbled =
          std::any_of(row[0].begin(), row[0].end(), [](char c) { return c < 0x20 || c == 0x7f; });
      Expect(row[0] == testing::Trim(o.record.idString.substr(0, 16)), garbled ? "six-bit-id" : "mismatch", o,
             "ipmitool names it '" + row[0] + "'");
      CompareElist(o, row);
    }
  }

  int checked_ = 0;

 private:
  bool Expect(bool agree, const std::string& kind, const Ours& o, const std::string& text) {
    ++checked_;
    if (!agree && !kDeliberate.count(kind))
      ADD_FAILURE() << "'" << o.s.impl().record.idString << "' (record " << o.record.recordId
                    << "): " << text;
    return agree;
  }

  void CompareValue(const Ours& o, const std::string& number, const std::string& unit,
                    const std::string& peer) {
    const double value = o.s.convertRawValue(o.s.getReading());
    const auto dot = number.find('.');
    const double halfUnit = 0.5 * std::pow(10.0, dot == std::string::npos ? 0.0 : dot + 1.0 - number.size());
    Expect(std::fabs(value - std::strtod(number.c_str(), nullptr)) <= halfUnit * (1 + 1e-9), "mismatch", o,
           "value " + std::to_string(value) + ", " + peer + " " + number);
    Expect(unit == o.s.getBaseUnitString(), "mismatch", o,
           "unit " + o.s.getBaseUnitString() + ", " + peer + " " + unit);
  }

  void CompareFreeIpmi(const Ours& o, const Cells& row) {
    const std::string type = o.s.getSensorTypeString();
    Expect(testing::Normalize(Mapped(row[2])) == testing::Normalize(type) ||
               (row[2] == "OEM Reserved" && type.rfind("OEM reserved", 0) == 0),
           "mismatch", o, "type " + type + ", FreeIPMI " + row[2]);
    if (row[6].size() != 5 || row[6].back() != 'h') {  // FreeIPMI has no reading
      const bool weRead = o.Readable() && o.s.impl().reading.scanningEnabled;
      Expect(!weRead, o.record.ownerId & 0x01 ? "software-owner" : "mismatch", o, "FreeIPMI has no reading");
      return;
    }
    if (!Expect(o.Readable(), "mismatch", o, "FreeIPMI reads it, we do not"))
      return;
    Expect((std::stoul(row[6], nullptr, 16) & 0x7fff) == (o.s.impl().reading.states & 0x7fffu), "mismatch", o,
           "states, FreeIPMI " + row[6]);
    if (row[4] != "N/A")
      CompareValue(o, row[4], Mapped(row[5]), "FreeIPMI");
    // Nominal is OK, Warning degraded, Critical critical or worse. A sensor of
    // a standard type has a health unless it reports its entity absent.
    int health = 0;
    const bool has = o.s.getHealthState(health);
    const std::string& state = row[3];
    const std::string states = o.s.isDiscrete() ? o.s.convertToEnumeration() : "";
    std::string kind = "mismatch";
    if (states.find("Redundancy Lost") != std::string::npos)
      kind = "health-redundancy-lost";
    else if (states.find("Absent") != std::string::npos ||
             ((o.record.eventReadingType == 0x08 || o.record.sensorType == 0x25) &&
              states.find("Present") == std::string::npos))
      kind = "health-absent";
    else if (o.record.sensorType >= 0xc0 || (o.record.eventReadingType & 0xf0) == 0x70)
      kind = "health-oem";
    else if (!o.s.isDiscrete() && state == "Nominal")
      kind = "health-threshold-bits";
    Expect(state == "N/A" || (state == "Nominal" && has && health == 5) ||
               (state == "Warning" && has && health == 10) || (state == "Critical" && has && health >= 25),
           kind, o, "FreeIPMI " + state + ", our health " + (has ? std::to_string(health) : "none"));
  }

  void CompareElist(const Ours& o, const Cells& row) {
    if (o.record.IsEventOnly()) {
      Expect(row[4] == "Event-Only", "mismatch", o, "event-only, ipmitool " + row[4]);
      return;
    }
    const bool noReading = !o.Readable() || o.s.scanningDisabled();
    if (!Expect((row[2] == "ns") == noReading && (row[4] != "Disabled" || o.s.scanningDisabled()), "mismatch",
                o, "ipmitool " + row[2] + " " + row[4]) ||
        noReading)
      return;
    if (!o.s.isDiscrete()) {
      int health = 0;
      Expect(
          o.s.getHealthState(health) && kIpmitoolStatus.count(row[2]) && kIpmitoolStatus.at(row[2]) == health,
          "mismatch", o, "ipmitool status " + row[2] + ", our health " + std::to_string(health));
      const auto space = row[4].find(' ');
      CompareValue(o, row[4].substr(0, space), space == std::string::npos ? "" : row[4].substr(space + 1),
                   "ipmitool");
      return;
    }
    const std::string ours = o.s.convertToEnumeration();
    const bool undefined = ours.rfind("Undefined states", 0) == 0;
    Expect(row[4] == ours,
           row[4].empty() && ours == kNoStateAsserted ? "no-state-text"
           : row[4].empty() && undefined              ? "undefined-states"
                                                      : "mismatch",
           o, "states " + ours + ", ipmitool " + row[4]);
  }

  std::vector<Ours> ours_;
};

TEST_P(CrossCheck, EverySensorAgreesWithThePeers) {
  ASSERT_NO_FATAL_FAILURE(Start(GetParam(), {"ipmi_sim", "ipmitool", "ipmi-sensors"}));
  if (IsSkipped())
    return;
  ASSERT_NE(Ipmi::IpmiIfcSdrGetInfo(0), -1);
  const auto sensors = Ipmi::IpmiIfc::getSensors(0);
  const auto elist = testing::Table(Ipmitool("sdr elist all"), '|');
  const auto freeIpmi =
      testing::Table(FreeIpmi("ipmi-sensors",
                              "--no-header-output --comma-separated-output --output-sensor-state "
                              "--output-event-bitmask --non-abbreviated-units --shared-sensors "
                              "--bridge-sensors"),
                     ',');
  ASSERT_FALSE(sensors.empty() || elist.empty() || freeIpmi.empty()) << "no sensors";
  Comparison comparison(sensors);
  comparison.AgainstFreeIpmi(freeIpmi);
  comparison.AgainstElist(elist);
  EXPECT_GT(comparison.checked_, 5 * static_cast<int>(sensors.size()));
}

using Part = Ipmi::IpmiIfc::Part;

// The texts of a set of FRU areas, as `ipmitool fru print` labels them.
const std::pair<std::string Part::*, const char*> kFields[] = {
    {&Part::chassisName, "Chassis Type"},           {&Part::chassisPartNumber, "Chassis Part Number"},
    {&Part::chassisSerialNumber, "Chassis Serial"}, {&Part::chassisCustom, "Chassis Extra"},
    {&Part::boardMfgTimeStamp, "Board Mfg Date"},   {&Part::boardManufacturer, "Board Mfg"},
    {&Part::boardProductName, "Board Product"},     {&Part::boardSerialNumber, "Board Serial"},
    {&Part::boardPartNumber, "Board Part Number"},  {&Part::productManufacturer, "Product Manufacturer"},
    {&Part::productName, "Product Name"},           {&Part::productPartNumber, "Product Part Number"},
    {&Part::productVersion, "Product Version"},     {&Part::productSerialNumber, "Product Serial"},
    {&Part::productAssetTag, "Product Asset Tag"},
};

// "Wed Mar  5 17:02:00 2014 UTC" as we give it: "2014-03-05T17:02:00", empty when unspecified.
std::string IsoTime(const std::string& text) {
  std::tm tm{};
  if (!strptime(text.c_str(), "%a %b %d %H:%M:%S %Y", &tm))
    return text;
  char iso[32];
  std::strftime(iso, sizeof iso, "%Y-%m-%dT%H:%M:%S", &tm);
  return std::string(iso) == "1996-01-01T00:00:00" ? "" : iso;
}

// Every device ipmitool decodes is ours with the same texts (those it does
// not print empty), and ipmitool shows every device of ours.
TEST_P(CrossCheck, FruFieldsAsIpmitool) {
  ASSERT_NO_FATAL_FAILURE(Start(GetParam(), {"ipmi_sim", "ipmitool"}));
  if (IsSkipped())
    return;
  ASSERT_EQ(Ipmi::IpmiIfcFruInstantiateAll(0), 0);
  std::map<std::string, Part> ours;
  for (const auto& fru : Ipmi::IpmiIfc::getFrus(0))
    for (const auto& optional : fru->getOptionalRefArray()) {
      const Part part = Ipmi::IpmiIfc::getFruPart(optional);
      ours[testing::Trim(part.type)] = part;
    }
  // "FRU Device Description : <name> (ID n)", then "<label> : <text>" lines,
  // a line per custom field.
  std::map<std::string, std::map<std::string, std::string>> theirs;
  std::map<std::string, std::string>* device = nullptr;
  for (const auto& [label, text] : testing::LabelValues(Ipmitool("fru print"))) {
    if (label == "FRU Device Description")
      device = &theirs[testing::Trim(text.substr(0, text.rfind(" (ID")))];
    else if (device && device->count(label))
      (*device)[label] += "; " + text;
    else if (device)
      (*device)[label] = label == "Board Mfg Date" ? IsoTime(text) : text;
  }
  std::size_t devices = 0;
  for (const auto& [name, printed] : theirs) {
    if (printed.empty())
      continue;  // a device ipmitool cannot decode either
    ASSERT_TRUE(ours.count(name)) << name << ": a device we do not list";
    ++devices;
    for (const auto& [member, label] : kFields)
      EXPECT_EQ(ours[name].*member, printed.count(label) ? printed.at(label) : "") << name << ": " << label;
  }
  EXPECT_EQ(devices, ours.size()) << "a device of ours that ipmitool does not show";
  EXPECT_GT(devices, 0u);
}

INSTANTIATE_TEST_SUITE_P(Servers, CrossCheck, ::testing::ValuesIn(testing::kServers), testing::ServerName);
// Satellite controllers at odd and even IPMB addresses side by side (tests/sim/satellites.json).
INSTANTIATE_TEST_SUITE_P(SatelliteServers, CrossCheck, ::testing::Values("../satellites.emu"),
                         [](const auto&) { return std::string("satellites"); });

// Our caption: "(Assert|Deassert) + <type> <event text>[ (Reading R ...,
// Threshold T ...)]" or "OEM record 0xTT[ + Manufacturer ID 0xMMMMMM] + Data DD".
struct Caption {
  std::string text;
  std::smatch oem, system;
  std::string rest;  // "<type> <event text>"
  double reading = NAN, threshold = NAN;
  explicit Caption(const std::string& caption) : text(caption) {
    static const std::regex kOem(
        R"(^OEM record 0x(..)(?: \+ Manufacturer ID 0x(.{6}))? \+ Data ([0-9a-f]+)$)");
    static const std::regex kSystem(
        R"(^(Assert|Deassert) \+ (.*?)(?: \((?:Reading (-?[0-9.]+)[^,)]*)?(?:, )?(?:Threshold (-?[0-9.]+)[^)]*)?\))?$)");
    if (!std::regex_match(text, oem, kOem) && std::regex_match(text, system, kSystem)) {
      rest = system[2];
      reading = system[3].matched ? std::stod(system[3]) : NAN;
      threshold = system[4].matched ? std::stod(system[4]) : NAN;
    }
  }
};

// ipmitool's names of a few sensor types.
const std::map<std::string, std::string> kIpmitoolTypes = {
    {"Drive Slot (Bay)", "Drive Slot / Bay"},
    {"Management Subsystem Health", "Management Subsys Health"},
    {"Watchdog 2", "Watchdog2"},
    {"System Boot / Restart Initiated", "System Boot Initiated"},
    {"Microcontroller / Coprocessor", "Microcontroller"},
    {"Base OS Boot / Installation Status", "OS Boot"},
};

using SelCrossCheck = testing::SimulatedServerTest;

TEST_F(SelCrossCheck, SameEntriesAsIpmitool) {
  ASSERT_NO_FATAL_FAILURE(Start("", {"ipmi_sim", "ipmitool"}));
  if (IsSkipped())
    return;
  unsigned short count = 0;
  ASSERT_EQ(Ipmi::IpmiIfcSelGetInfo(0, &count), 0);
  const auto records = Ipmi::IpmiIfc::getSelData();
  const auto lines = testing::Table(Ipmitool("sel elist"), '|');
  ASSERT_EQ(records.size(), count);
  ASSERT_EQ(lines.size(), records.size());
  std::map<std::string, int> seen;
  for (std::size_t i = 0; i < records.size(); ++i) {
    const Ipmi::IpmiSelData& ours = *records[i];
    const Cells& cols = lines[i];
    SCOPED_TRACE(ours.caption());
    const Caption caption(ours.caption());
    EXPECT_EQ(ours.recordId(), std::stoi(cols[0], nullptr, 16));
    const std::uint32_t stamp = ours.messageTimeStamp();
    if (!caption.oem.empty()) {  // "OEM record e0 | <data>" or "... | <manufacturer> | <data>"
      ++seen["oem"];
      EXPECT_EQ(ours.eventType(), -1);
      EXPECT_NE(std::find(cols.begin(), cols.end(), "OEM record " + caption.oem[1].str()), cols.end());
      EXPECT_EQ(cols.back(), caption.oem[3]);
      EXPECT_EQ(caption.oem[2].matched ? cols[cols.size() - 2] : std::to_string(stamp),
                caption.oem[2].matched ? caption.oem[2].str() : "0");
      continue;
    }
    ASSERT_FALSE(caption.system.empty()) << "a caption of an unexpected form";
    ASSERT_GE(cols.size(), 6u);
    // ipmitool: "MM/DD/YY | HH:MM:SS UTC" or "Pre-Init | <seconds since start>".
    std::tm tm{};
    const bool utc = strptime((cols[1] + " " + cols[2]).c_str(), "%m/%d/%y %H:%M:%S", &tm);
    EXPECT_EQ(stamp, cols[1] == "Pre-Init" ? std::stoll(cols[2]) : utc ? timegm(&tm) : -1);
    EXPECT_EQ(cols[5], caption.system[1] == "Assert" ? "Asserted" : "Deasserted");
    // "<type> <sensor>" | "<event text>"; empty for codes ipmitool does not know.
    const std::string& text = cols[4];
    if (text.empty()) {
      EXPECT_TRUE(caption.rest.find("Unknown") != std::string::npos ||
                  caption.rest.find("OEM") != std::string::npos);
    } else {
      ++seen["text"];
      ASSERT_GT(caption.rest.size(), text.size());
      EXPECT_EQ(caption.rest.substr(caption.rest.size() - text.size()), text);
      const std::string type = caption.rest.substr(0, caption.rest.size() - text.size() - 1);
      EXPECT_EQ(cols[3].rfind(kIpmitoolTypes.count(type) ? kIpmitoolTypes.at(type) : type, 0), 0u) << type;
    }
    // "Reading 0" stands also for event data without a reading; a reading
    // with its threshold is always carried.
    double reading = 0, threshold = 0;
    const int n = cols.size() > 6
                      ? std::sscanf(cols[6].c_str(), "Reading %lf %*c Threshold %lf", &reading, &threshold)
                      : 0;
    EXPECT_NEAR(n >= 1 && !std::isnan(caption.reading) ? caption.reading : reading, reading, 0.01);
    EXPECT_NEAR(n == 2 ? caption.threshold : threshold, threshold, 0.01);  // NaN when we have none
    seen["threshold"] += n == 2;
  }
  EXPECT_GT(seen["text"], 10);
  EXPECT_GT(seen["oem"], 0);
  EXPECT_GT(seen["threshold"], 0);

  // The properties; their raw form and version are checked end to end.
  const auto info = Ipmi::GetSelInfo();
  const testing::Labelled selInfo = testing::LabelValues(Ipmitool("sel info"));
  ASSERT_TRUE(info);
  EXPECT_EQ(info->getCurrentNumberOfRecords(), std::stoi(testing::Value(selInfo, "Entries")));
  EXPECT_EQ(info->getMaxNumberOfRecords(), count + std::stoi(testing::Value(selInfo, "Free Space")) / 16);
}

}  // namespace
}  // namespace marlek
