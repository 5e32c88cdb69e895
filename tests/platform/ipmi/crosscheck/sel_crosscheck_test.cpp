// The SEL of the simulated server read through the library, against
// `ipmitool sel elist` and FreeIPMI's `ipmi-sel`; clearing it.

#include "support/cli_node.h"
#include "support/peer_tools.h"
#include "support/simulated_bmc.h"
#include "support/temp_dir.h"

#include <Ipmi/Ipmi.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <ctime>
#include <map>
#include <regex>
#include <sstream>

namespace marlek::sel {
namespace {

using marlek::testing::CliNode;
using marlek::testing::FreeIpmiCommand;
using marlek::testing::HaveProgram;
using marlek::testing::IpmitoolCommand;
using marlek::testing::RunCommand;
using marlek::testing::SimulatedBmc;

std::vector<std::string> Split(const std::string& text, char separator) {
  std::vector<std::string> parts;
  std::string part;
  std::istringstream in(text);
  while (std::getline(in, part, separator))
    parts.push_back(part);
  return parts;
}

std::string Trim(const std::string& text) {
  const auto begin = text.find_first_not_of(' ');
  const auto end = text.find_last_not_of(' ');
  return begin == std::string::npos ? "" : text.substr(begin, end - begin + 1);
}

// Letters and digits only, lower case.
std::string Normalize(const std::string& text) {
  std::string out;
  for (unsigned char c : text)
    if (std::isalnum(c))
      out += static_cast<char>(std::tolower(c));
  return out;
}

std::time_t Utc(int year, int month, int day, int hour, int minute, int second) {
  std::tm tm{};
  tm.tm_year = year - 1900;
  tm.tm_mon = month - 1;
  tm.tm_mday = day;
  tm.tm_hour = hour;
  tm.tm_min = minute;
  tm.tm_sec = second;
  return timegm(&tm);
}

// Our caption, cut into its parts.
struct Caption {
  bool system = false;
  bool assertion = false;
  std::string rest;  // "<sensor type> <event text>"
  std::optional<double> reading, threshold;
  std::string oemType, oemManufacturer, oemData;
};

Caption ParseCaption(const std::string& text) {
  Caption caption;
  std::smatch m;
  static const std::regex kSystem(
      R"(^(Assert|Deassert) \+ (.*?)(?: \((?:Reading (-?[0-9.]+)[^,)]*)?(?:, )?(?:Threshold (-?[0-9.]+)[^)]*)?\))?$)");
  static const std::regex kOemTs(
      R"(^OEM record 0x([0-9a-f]{2}) \+ Manufacturer ID 0x([0-9a-f]{6}) \+ Data ([0-9a-f]+)$)");
  static const std::regex kOem(R"(^OEM record 0x([0-9a-f]{2}) \+ Data ([0-9a-f]+)$)");
  if (std::regex_match(text, m, kOemTs)) {
    caption.oemType = m[1], caption.oemManufacturer = m[2], caption.oemData = m[3];
  } else if (std::regex_match(text, m, kOem)) {
    caption.oemType = m[1], caption.oemData = m[2];
  } else if (std::regex_match(text, m, kSystem)) {
    caption.system = true;
    caption.assertion = m[1] == "Assert";
    caption.rest = m[2];
    if (m[3].matched)
      caption.reading = std::stod(m[3]);
    if (m[4].matched)
      caption.threshold = std::stod(m[4]);
  }
  return caption;
}

// ipmitool spells a few sensor types differently; the rest are the same.
std::string IpmitoolTypeName(const std::string& ours) {
  static const std::map<std::string, std::string> kSpelling{
      {"Drive Slot (Bay)", "Drive Slot / Bay"},
      {"Management Subsystem Health", "Management Subsys Health"},
      {"Watchdog 2", "Watchdog2"},
      {"System Boot / Restart Initiated", "System Boot Initiated"},
      {"Microcontroller / Coprocessor", "Microcontroller"},
      {"Base OS Boot / Installation Status", "OS Boot"},
  };
  auto it = kSpelling.find(ours);
  return it == kSpelling.end() ? ours : it->second;
}

// FreeIPMI words some states its own way; ours, so rewritten, are contained
// in (or contain) its text once both are normalized.
std::string AsFreeIpmiWords(std::string text) {
  static const std::pair<const char*, const char*> kWords[] = {
      {"ECC", "memory error"},
      {"Drive Present", "Drive Presence"},
      {"Device Present", "Device Inserted/Device Present"},
      {"Power Supply AC lost", "Power Supply input lost (AC/DC)"},
      {"Log almost full", "SEL Almost Full"},
      {"Log full", "SEL Full"},
      {"Timestamp Clock Sync", "Timestamp Clock Synch"},
  };
  for (const auto& [ours, theirs] : kWords) {
    const auto at = text.find(ours);
    if (at != std::string::npos)
      text.replace(at, std::string(ours).size(), theirs);
  }
  return Normalize(text);
}

class SelCrossCheck : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* tool : {"ipmi_sim", "ipmitool", "ipmi-sel"})
      if (!HaveProgram(tool))
        GTEST_SKIP() << tool << " is not installed";
    sim_ = std::make_unique<SimulatedBmc>(std::vector<std::string>{});
    ASSERT_TRUE(sim_->Started()) << sim_->StartLog();
    node_ = std::make_unique<CliNode>(*sim_);
    ASSERT_NO_FATAL_FAILURE(node_->Open());
  }
  void TearDown() override {
    node_.reset();
    sim_.reset();
  }

  std::string Ipmitool(const std::string& args) const {
    return RunCommand(IpmitoolCommand(*sim_, 60) + " " + args);
  }
  std::string IpmiSel() const {
    return RunCommand(FreeIpmiCommand("ipmi-sel", *sim_, 60) + " --sdr-cache-directory=" + cache_.Path() +
                      " --comma-separated-output --no-header-output 2>/dev/null");
  }

  std::unique_ptr<SimulatedBmc> sim_;
  std::unique_ptr<CliNode> node_;
  marlek::testing::TempDir cache_;
};

TEST_F(SelCrossCheck, SameEntriesAsIpmitoolElist) {
  unsigned short count = 0;
  ASSERT_EQ(Ipmi::IpmiIfcSelGetInfo(0, &count), 0);
  const auto records = Ipmi::IpmiIfc::getSelData();
  ASSERT_EQ(records.size(), count);
  ASSERT_GE(records.size(), 40u);

  std::vector<std::string> lines;
  for (const std::string& line : Split(Ipmitool("sel elist"), '\n'))
    if (line.find('|') != std::string::npos)
      lines.push_back(line);
  ASSERT_EQ(lines.size(), records.size()) << Ipmitool("sel elist");

  int systemEvents = 0, oem = 0, thresholds = 0;
  for (std::size_t i = 0; i < records.size(); ++i) {
    const Ipmi::IpmiSelData& ours = *records[i];
    std::vector<std::string> cols = Split(lines[i], '|');
    for (std::string& c : cols)
      c = Trim(c);
    SCOPED_TRACE(lines[i] + "  <->  " + ours.caption());
    EXPECT_EQ(ours.recordId(), std::stoi(cols[0], nullptr, 16));
    const Caption caption = ParseCaption(ours.caption());
    if (!caption.oemType.empty()) {
      ++oem;
      EXPECT_NE(lines[i].find("| OEM record " + caption.oemType + " |"), std::string::npos);
      if (caption.oemManufacturer.empty()) {
        EXPECT_EQ(ours.messageTimeStamp(), 0u);
        EXPECT_EQ(cols.at(2), caption.oemData);
      } else {
        EXPECT_EQ(cols.at(cols.size() - 2), caption.oemManufacturer);
        EXPECT_EQ(cols.back(), caption.oemData);
      }
      EXPECT_EQ(ours.eventType(), -1);
      continue;
    }
    ASSERT_TRUE(caption.system) << "caption of an unexpected form";
    ++systemEvents;
    // Time: "MM/DD/YY | HH:MM:SS UTC" or " Pre-Init  |<seconds>|".
    if (cols[1] == "Pre-Init") {
      EXPECT_EQ(ours.messageTimeStamp(), std::stoul(cols[2]));
    } else {
      int mo, d, y, h, mi, s;
      ASSERT_EQ(std::sscanf(cols[1].c_str(), "%d/%d/%d", &mo, &d, &y), 3);
      ASSERT_EQ(std::sscanf(cols[2].c_str(), "%d:%d:%d", &h, &mi, &s), 3);
      EXPECT_EQ(ours.messageTimeStamp(), static_cast<std::uint32_t>(Utc(2000 + y, mo, d, h, mi, s)));
    }
    // "<type> <sensor name or #0xNN>" | "<event text>" | "Asserted" | reading
    const std::string& typeAndName = cols[3];
    const std::string& ipmitoolText = cols[4];
    EXPECT_EQ(cols[5], caption.assertion ? "Asserted" : "Deasserted");
    if (ipmitoolText.empty()) {
      // ipmitool names neither the type nor the state of codes it does not know.
      EXPECT_TRUE(caption.rest.find("Unknown") != std::string::npos ||
                  caption.rest.find("OEM") != std::string::npos);
      continue;
    }
    const std::string text =
        caption.rest.substr(caption.rest.size() - std::min(caption.rest.size(), ipmitoolText.size()));
    EXPECT_EQ(text, ipmitoolText);
    const std::string type = caption.rest.substr(0, caption.rest.size() - ipmitoolText.size() - 1);
    EXPECT_EQ(typeAndName.rfind(IpmitoolTypeName(type), 0), 0u) << "type " << type;
    if (cols.size() > 6) {
      double reading = 0, threshold = 0;
      const int n = std::sscanf(cols[6].c_str(), "Reading %lf %*c Threshold %lf", &reading, &threshold);
      // ipmitool prints "Reading 0" also when the event data carry no
      // reading; a reading with its threshold is always carried.
      if (n >= 1 && caption.reading) {
        EXPECT_NEAR(*caption.reading, reading, 0.01);
      }
      if (n == 2) {
        ++thresholds;
        ASSERT_TRUE(caption.reading && caption.threshold);
        EXPECT_NEAR(*caption.threshold, threshold, 0.01);
      }
    }
  }
  EXPECT_GT(systemEvents, 30);
  EXPECT_GE(oem, 4);
  EXPECT_GE(thresholds, 8);
}

TEST_F(SelCrossCheck, SameEntriesAsIpmiSel) {
  const auto records = Ipmi::IpmiIfc::getSelData();
  std::vector<std::vector<std::string>> rows;
  for (const std::string& line : Split(IpmiSel(), '\n'))
    if (!line.empty() && std::isdigit(static_cast<unsigned char>(line[0])))
      rows.push_back(Split(line, ','));
  ASSERT_EQ(rows.size(), records.size());
  int texts = 0;
  static const std::map<std::string, std::string> kMonths{
      {"Jan", "01"}, {"Feb", "02"}, {"Mar", "03"}, {"Apr", "04"}, {"May", "05"}, {"Jun", "06"},
      {"Jul", "07"}, {"Aug", "08"}, {"Sep", "09"}, {"Oct", "10"}, {"Nov", "11"}, {"Dec", "12"}};
  for (std::size_t i = 0; i < records.size(); ++i) {
    const Ipmi::IpmiSelData& ours = *records[i];
    const std::vector<std::string>& row = rows[i];
    SCOPED_TRACE(ours.caption());
    EXPECT_EQ(ours.recordId(), std::stoi(row.at(0)));
    const std::uint32_t stamp = ours.messageTimeStamp();
    if (row.at(1) == "N/A") {
      EXPECT_EQ(stamp, 0u);
    } else if (row[1] == "PostInit") {
      EXPECT_LE(stamp, 0x20000000u);
    } else {
      int d, y, h, mi, s;
      ASSERT_EQ(std::sscanf(row[1].c_str() + 4, "%d-%d", &d, &y), 2);
      ASSERT_EQ(std::sscanf(row[2].c_str(), "%d:%d:%d", &h, &mi, &s), 3);
      EXPECT_EQ(stamp,
                static_cast<std::uint32_t>(Utc(y, std::stoi(kMonths.at(row[1].substr(0, 3))), d, h, mi, s)));
    }
    // The sensor type column, for the system events FreeIPMI names.
    const Caption caption = ParseCaption(ours.caption());
    if (caption.system && row.at(4) != "N/A" && row[4] != "OEM Reserved") {
      EXPECT_EQ(Normalize(caption.rest).rfind(Normalize(row[4]), 0), 0u) << row[4];
    }
    // The event text, through the word mapping.
    const std::string& event = row.back();
    if (caption.system && row.at(4) != "N/A" && row[4] != "OEM Reserved") {
      const std::string theirs = Normalize(event.substr(0, event.find(" ; ")));
      const std::string ours = AsFreeIpmiWords(caption.rest);
      EXPECT_TRUE(ours.find(theirs) != std::string::npos || theirs.find(ours) != std::string::npos)
          << ours << " / " << theirs;
      ++texts;
    }
    // Threshold events: the same reading and threshold.
    const auto at = event.find("Sensor Reading = ");
    if (at != std::string::npos && caption.reading) {
      EXPECT_NEAR(*caption.reading, std::stod(event.substr(at + 17)), 0.01);
      const auto th = event.find("Threshold = ");
      if (th != std::string::npos && caption.threshold) {
        EXPECT_NEAR(*caption.threshold, std::stod(event.substr(th + 12)), 0.01);
      }
    }
  }
  EXPECT_GT(texts, 30);
}

TEST_F(SelCrossCheck, PropertiesAndClock) {
  const auto info = Ipmi::GetSelInfo();
  ASSERT_TRUE(info);
  const Ipmi::SelInfoRecord raw = Ipmi::IpmiIfc::getRawSelHeader();
  EXPECT_EQ(raw.completionCode, 0);
  EXPECT_EQ(info->getCurrentNumberOfRecords(), raw.entries);
  EXPECT_EQ(info->getMaxNumberOfRecords(), raw.entries + raw.freeSpace / 16);
  EXPECT_EQ(info->version(), raw.selVersion);

  const std::string ipmitoolInfo = Ipmitool("sel info");
  std::smatch m;
  ASSERT_TRUE(std::regex_search(ipmitoolInfo, m, std::regex(R"(Entries\s*:\s*(\d+))"))) << ipmitoolInfo;
  EXPECT_EQ(info->getCurrentNumberOfRecords(), std::stoi(m[1]));
  ASSERT_TRUE(std::regex_search(ipmitoolInfo, m, std::regex(R"(Version\s*:\s*(\d)\.(\d))")));
  EXPECT_EQ(info->version(), std::stoi(m[1]) | std::stoi(m[2]) << 4);

  // "S+ 00:52:47" (seconds since the controller started) or a date.
  const std::int32_t clock = Ipmi::IpmiIfc::GetSelClock();
  const std::string peer = Ipmitool("sel time get");
  int h, mi, s, mo, d, y;
  std::int64_t peerClock = -1;
  if (std::sscanf(peer.c_str(), "S+ %d:%d:%d", &h, &mi, &s) == 3)
    peerClock = h * 3600 + mi * 60 + s;
  else if (std::sscanf(peer.c_str(), "%d/%d/%d %d:%d:%d", &mo, &d, &y, &h, &mi, &s) == 6)
    peerClock = Utc(y, mo, d, h, mi, s);
  ASSERT_GE(peerClock, 0) << peer;
  EXPECT_NEAR(static_cast<double>(clock), static_cast<double>(peerClock), 5.0) << peer;
}

// sel get's calls come without an open node and with IpmiDevGuard held by
// the caller: they reach node 0 on a connection of their own and never take
// the guard (which is not recursive).
TEST_F(SelCrossCheck, NodeLessCallsUseNodeZeroWithoutTheGuard) {
  const Ipmi::SelInfoRecord openRaw = Ipmi::IpmiIfc::getRawSelHeader();
  node_->Close();

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

TEST_F(SelCrossCheck, ClearEmptiesTheSel) {
  ASSERT_GT(Ipmi::IpmiIfc::getSelData().size(), 0u);
  EXPECT_EQ(Ipmi::IpmiIfc::clearSel(0), 0);
  const auto after = Ipmi::IpmiIfc::getSelData();
  EXPECT_LE(after.size(), 1u) << "at most the controller's own 'log cleared' entry";
  for (const auto& record : after)
    EXPECT_NE(record->caption().find("Log area reset/cleared"), std::string::npos) << record->caption();
  unsigned short count = 99;
  ASSERT_EQ(Ipmi::IpmiIfcSelGetInfo(0, &count), 0);
  EXPECT_EQ(count, after.size());
  EXPECT_NE(Ipmitool("sel elist").find("SEL has no entries"), std::string::npos);
}

}  // namespace
}  // namespace marlek::sel
