// The SEL of the project's simulated server read through the library,
// against `ipmitool sel elist`: record IDs, times, directions, sensor types,
// event texts, readings and thresholds; the SEL properties.
#include "support/peer_tools.h"

#include <gtest/gtest.h>

#include <cmath>
#include <ctime>
#include <map>
#include <regex>

namespace marlek {
namespace {

using Cells = std::vector<std::string>;

// Seconds since 1970 of a UTC time in the given format; -1 if it is none.
std::int64_t Utc(const std::string& text, const char* format) {
  std::tm tm{};
  return strptime(text.c_str(), format, &tm) ? static_cast<std::int64_t>(timegm(&tm)) : -1;
}

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

class SelCrossCheck : public testing::SimulatedServerTest {
 protected:
  void SetUp() override { ASSERT_NO_FATAL_FAILURE(Start("", {"ipmi_sim", "ipmitool"})); }
};

TEST_F(SelCrossCheck, SameEntriesAsIpmitool) {
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
    EXPECT_EQ(stamp, cols[1] == "Pre-Init" ? std::stoll(cols[2])
                                           : Utc(cols[1] + " " + cols[2], "%m/%d/%y %H:%M:%S"));
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

  // The properties.
  const auto info = Ipmi::GetSelInfo();
  const Ipmi::SelInfoRecord raw = Ipmi::IpmiIfc::getRawSelHeader();
  ASSERT_TRUE(info);
  EXPECT_EQ(raw.completionCode, 0);
  EXPECT_EQ(info->getMaxNumberOfRecords(), raw.entries + raw.freeSpace / 16);
  const testing::Labelled selInfo = testing::LabelValues(Ipmitool("sel info"));
  EXPECT_EQ(info->getCurrentNumberOfRecords(), std::stoi(testing::Value(selInfo, "Entries")));
  EXPECT_EQ(raw.entries, std::stoi(testing::Value(selInfo, "Entries")));
  int major = 0, minor = 0;
  ASSERT_EQ(std::sscanf(testing::Value(selInfo, "Version").c_str(), "%d.%d", &major, &minor), 2);
  EXPECT_EQ(info->version(), major | minor << 4);
  EXPECT_EQ(raw.selVersion, major | minor << 4);
}

// sel get's calls come without an open node and with IpmiDevGuard held by
// the caller: they reach node 0 on a connection of their own and never take
// the guard (which is not recursive).
TEST_F(SelCrossCheck, NodeLessCallsUseNodeZeroWithoutTheGuard) {
  const Ipmi::SelInfoRecord openRaw = Ipmi::IpmiIfc::getRawSelHeader();
  CloseNode();
  ASSERT_EQ(pthread_mutex_lock(&Ipmi::IpmiDevGuard), 0);
  const std::int32_t clock = Ipmi::IpmiIfc::GetSelClock();
  const auto info = Ipmi::GetSelInfo();
  const Ipmi::SelInfoRecord raw = Ipmi::IpmiIfc::getRawSelHeader();
  pthread_mutex_unlock(&Ipmi::IpmiDevGuard);
  EXPECT_GT(clock, 0);
  ASSERT_TRUE(info);
  EXPECT_EQ(raw.completionCode, 0);
  EXPECT_EQ(raw.entries, openRaw.entries);
  EXPECT_EQ(info->getCurrentNumberOfRecords(), raw.entries);
  EXPECT_EQ(Ipmi::IpmiIfcSelGetInfo(0, nullptr), -1) << "the node itself stays closed";
}

}  // namespace
}  // namespace marlek
