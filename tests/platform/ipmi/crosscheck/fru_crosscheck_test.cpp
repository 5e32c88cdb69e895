// The FRU inventory of the simulated server and of three real servers'
// captures read through the library, against `ipmitool fru print` and
// FreeIPMI's `ipmi-fru`.

#include "support/cli_node.h"
#include "support/peer_tools.h"
#include "support/simulated_bmc.h"
#include "support/temp_dir.h"

#include <Ipmi/Ipmi.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <regex>
#include <sstream>

namespace marlek::fru {
namespace {

using marlek::testing::CliNode;
using marlek::testing::FreeIpmiCommand;
using marlek::testing::HaveProgram;
using marlek::testing::IpmitoolCommand;
using marlek::testing::PeerStderr;
using marlek::testing::RunCommand;
using marlek::testing::SimulatedBmc;

std::string RightTrim(std::string text) {
  while (!text.empty() && (text.back() == ' ' || text.back() == '\r'))
    text.pop_back();
  return text;
}

bool IsUtf8(const std::string& text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const unsigned char c = text[i];
    if (c < 0x80)
      continue;
    const int more = (c & 0xe0) == 0xc0 ? 1 : (c & 0xf0) == 0xe0 ? 2 : (c & 0xf8) == 0xf0 ? 3 : -1;
    if (more < 0 || i + more >= text.size() + 0)
      return false;
    for (int k = 1; k <= more; ++k)
      if (i + k >= text.size() || (static_cast<unsigned char>(text[i + k]) & 0xc0) != 0x80)
        return false;
    i += more;
  }
  return true;
}

// The peers print 8-bit fields as the device's Latin-1 bytes.
std::string AsUtf8(const std::string& text) {
  if (IsUtf8(text))
    return text;
  std::string out;
  for (unsigned char c : text) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else {
      out += static_cast<char>(0xc0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3f));
    }
  }
  return out;
}

using Fields = std::map<std::string, std::string>;  // Part member -> text

Fields PartFields(const Ipmi::IpmiIfc::Part& p) {
  return {{"chassisName", p.chassisName},
          {"chassisPartNumber", p.chassisPartNumber},
          {"chassisSerialNumber", p.chassisSerialNumber},
          {"chassisCustom", p.chassisCustom},
          {"boardProductName", p.boardProductName},
          {"boardManufacturer", p.boardManufacturer},
          {"boardMfgTimeStamp", p.boardMfgTimeStamp},
          {"boardSerialNumber", p.boardSerialNumber},
          {"boardPartNumber", p.boardPartNumber},
          {"productName", p.productName},
          {"productManufacturer", p.productManufacturer},
          {"productPartNumber", p.productPartNumber},
          {"productVersion", p.productVersion},
          {"productSerialNumber", p.productSerialNumber},
          {"productAssetTag", p.productAssetTag}};
}

struct PeerDevice {
  std::string name;
  Fields fields;
};

std::string MonthNumber(const std::string& month) {
  static const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                  "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  for (int i = 0; i < 12; ++i)
    if (month == kMonths[i]) {
      char text[3];
      std::snprintf(text, sizeof text, "%02d", i + 1);
      return text;
    }
  return "??";
}

// "Wed Mar  5 17:02:00 2014 UTC" -> "2014-03-05T17:02:00"
std::string IpmitoolDate(const std::string& text) {
  char weekday[8], month[8];
  int day, h, m, s, year;
  if (std::sscanf(text.c_str(), "%7s %7s %d %d:%d:%d %d", weekday, month, &day, &h, &m, &s, &year) != 7)
    return text;
  if (year == 1996 && std::string(month) == "Jan" && day == 1 && h == 0 && m == 0)
    return "";  // 0 minutes: unspecified
  char iso[32];
  std::snprintf(iso, sizeof iso, "%04d-%s-%02dT%02d:%02d:%02d", year, MonthNumber(month).c_str(), day, h, m,
                s);
  return iso;
}

std::vector<PeerDevice> ParseIpmitoolFru(const std::string& text) {
  static const std::map<std::string, std::string> kLabels{
      {"Chassis Type", "chassisName"},           {"Chassis Part Number", "chassisPartNumber"},
      {"Chassis Serial", "chassisSerialNumber"}, {"Chassis Extra", "chassisCustom"},
      {"Board Mfg Date", "boardMfgTimeStamp"},   {"Board Mfg", "boardManufacturer"},
      {"Board Product", "boardProductName"},     {"Board Serial", "boardSerialNumber"},
      {"Board Part Number", "boardPartNumber"},  {"Product Manufacturer", "productManufacturer"},
      {"Product Name", "productName"},           {"Product Part Number", "productPartNumber"},
      {"Product Version", "productVersion"},     {"Product Serial", "productSerialNumber"},
      {"Product Asset Tag", "productAssetTag"},
  };
  std::vector<PeerDevice> devices;
  std::istringstream in(text);
  std::string line;
  static const std::regex kDevice(R"(^FRU Device Description : (.*?)(?: \(ID \d+\))?$)");
  static const std::regex kField(R"(^ (\S.*?)\s+: (.*)$)");
  std::smatch m;
  while (std::getline(in, line)) {
    if (std::regex_match(line, m, kDevice)) {
      devices.push_back({RightTrim(m[1]), {}});
    } else if (!devices.empty() && std::regex_match(line, m, kField)) {
      auto label = kLabels.find(m[1]);
      if (label == kLabels.end())
        continue;
      std::string value = AsUtf8(m[2]);
      if (label->second == "boardMfgTimeStamp")
        value = IpmitoolDate(value);
      std::string& field = devices.back().fields[label->second];
      field = field.empty() || label->second != "chassisCustom" ? value : field + "; " + value;
    }
  }
  return devices;
}

// "03/05/14 - 17:02:00" -> "2014-03-05T17:02:00"
std::string FreeIpmiDate(const std::string& text) {
  int mo, d, y, h, mi, s;
  if (std::sscanf(text.c_str(), "%d/%d/%d - %d:%d:%d", &mo, &d, &y, &h, &mi, &s) != 6)
    return text;
  char iso[32];
  std::snprintf(iso, sizeof iso, "%04d-%02d-%02dT%02d:%02d:%02d", 2000 + y, mo, d, h, mi, s);
  return iso;
}

std::vector<PeerDevice> ParseIpmiFru(const std::string& text) {
  static const std::map<std::string, std::string> kLabels{
      {"FRU Chassis Type", "chassisName"},
      {"FRU Chassis Part Number", "chassisPartNumber"},
      {"FRU Chassis Serial Number", "chassisSerialNumber"},
      {"FRU Board Manufacturing Date/Time", "boardMfgTimeStamp"},
      {"FRU Board Manufacturer", "boardManufacturer"},
      {"FRU Board Product Name", "boardProductName"},
      {"FRU Board Serial Number", "boardSerialNumber"},
      {"FRU Board Part Number", "boardPartNumber"},
      {"FRU Product Manufacturer Name", "productManufacturer"},
      {"FRU Product Name", "productName"},
      {"FRU Product Part/Model Number", "productPartNumber"},
      {"FRU Product Version", "productVersion"},
      {"FRU Product Serial Number", "productSerialNumber"},
      {"FRU Product Asset Tag", "productAssetTag"},
  };
  std::vector<PeerDevice> devices;
  std::istringstream in(text);
  std::string line;
  static const std::regex kDevice(R"(^FRU Inventory Device: (.*?) \(ID [0-9A-Fa-f]+h\)$)");
  static const std::regex kField(R"(^  (FRU [^:]*): (.*)$)");
  std::smatch m;
  while (std::getline(in, line)) {
    if (std::regex_match(line, m, kDevice)) {
      // The first device is device 0 of the BMC, "Default FRU Device" or
      // named by a locator that points at it.
      devices.push_back({devices.empty() ? "Builtin FRU Device" : RightTrim(m[1]), {}});
    } else if (!devices.empty() && std::regex_match(line, m, kField)) {
      auto label = kLabels.find(m[1]);
      const std::string value = AsUtf8(m[2]);
      if (label == kLabels.end() || value.rfind("Error '", 0) == 0)
        continue;  // FreeIPMI refuses some encodings (BCD plus with punctuation)
      devices.back().fields[label->second] =
          label->second == "boardMfgTimeStamp" ? FreeIpmiDate(value) : value;
    }
  }
  return devices;
}

struct OurDevice {
  std::string name;
  Fields fields;
};

class FruCrossCheck : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    for (const char* tool : {"ipmi_sim", "ipmitool", "ipmi-fru"})
      if (!HaveProgram(tool))
        GTEST_SKIP() << tool << " is not installed";
    std::vector<std::string> emu;
    if (!GetParam().empty())
      emu.push_back(marlek::testing::ServerCapture(GetParam()));
    sim_ = std::make_unique<SimulatedBmc>(emu);
    ASSERT_TRUE(sim_->Started()) << sim_->StartLog();
    node_ = std::make_unique<CliNode>(*sim_);
    ASSERT_NO_FATAL_FAILURE(node_->Open());
  }
  void TearDown() override {
    node_.reset();
    sim_.reset();
  }

  std::vector<OurDevice> Ours() const {
    std::vector<OurDevice> devices;
    for (const auto& fru : Ipmi::IpmiIfc::getFrus(0))
      for (const auto& optional : fru->getOptionalRefArray()) {
        const Ipmi::IpmiIfc::Part part = Ipmi::IpmiIfc::getFruPart(optional);
        devices.push_back({RightTrim(part.type), PartFields(part)});
      }
    return devices;
  }
  std::string Ipmitool(const std::string& args) const {
    return RunCommand(IpmitoolCommand(*sim_, 120) + " " + args, PeerStderr::kDiscard);
  }
  std::string IpmiFru() const {
    return RunCommand(FreeIpmiCommand("ipmi-fru", *sim_, 120) + " --sdr-cache-directory=" + cache_.Path(),
                      PeerStderr::kDiscard);
  }

  std::unique_ptr<SimulatedBmc> sim_;
  std::unique_ptr<CliNode> node_;
  marlek::testing::TempDir cache_;
};

// Every device ipmitool shows fields for is ours with the same values, and
// every set of areas we show is one ipmitool shows.
TEST_P(FruCrossCheck, SameFieldsAsIpmitool) {
  ASSERT_EQ(Ipmi::IpmiIfcFruInstantiateAll(0), 0);
  const std::vector<OurDevice> ours = Ours();
  ASSERT_FALSE(ours.empty());
  std::vector<PeerDevice> peer = ParseIpmitoolFru(Ipmitool("fru print"));
  std::size_t compared = 0;
  for (const PeerDevice& device : peer) {
    if (device.fields.empty())
      continue;  // a device ipmitool could not decode either
    SCOPED_TRACE(device.name);
    auto it =
        std::find_if(ours.begin(), ours.end(), [&](const OurDevice& d) { return d.name == device.name; });
    ASSERT_NE(it, ours.end()) << "device missing from the library's list";
    for (const auto& [member, value] : it->fields) {
      auto peerValue = device.fields.find(member);
      EXPECT_EQ(value, peerValue == device.fields.end() ? "" : peerValue->second) << member;
    }
    ++compared;
  }
  for (const OurDevice& device : ours)
    EXPECT_TRUE(
        std::any_of(peer.begin(), peer.end(), [&](const PeerDevice& p) { return p.name == device.name; }))
        << device.name << " is not a device ipmitool shows";
  EXPECT_EQ(compared, ours.size());
}

// Every field ipmi-fru decodes has our value.
TEST_P(FruCrossCheck, SameFieldsAsIpmiFru) {
  ASSERT_EQ(Ipmi::IpmiIfcFruInstantiateAll(0), 0);
  const std::vector<OurDevice> ours = Ours();
  std::size_t fields = 0;
  for (const PeerDevice& device : ParseIpmiFru(IpmiFru())) {
    auto it =
        std::find_if(ours.begin(), ours.end(), [&](const OurDevice& d) { return d.name == device.name; });
    if (it == ours.end()) {
      EXPECT_TRUE(device.fields.empty()) << device.name << " has fields but is not ours";
      continue;
    }
    for (const auto& [member, value] : device.fields) {
      EXPECT_EQ(it->fields.at(member), value) << device.name << " " << member;
      ++fields;
    }
  }
  EXPECT_GT(fields, 5u);
}

TEST_P(FruCrossCheck, DeviceHeaderOfDeviceZero) {
  const Ipmi::FruDeviceHeaderInfo header = Ipmi::IpmiIfc::getFruDeviceHeader(0);
  EXPECT_EQ(header.statusByte, 0);
  EXPECT_EQ(header.deviceId, 0);
  const std::string info = Ipmitool("raw 0x0a 0x10 0x00");  // " 00 01 00"
  unsigned low = 0, high = 0, access = 0;
  ASSERT_EQ(std::sscanf(info.c_str(), "%x %x %x", &low, &high, &access), 3) << info;
  EXPECT_EQ(header.areaSize, low | high << 8);
  EXPECT_EQ(header.accessByte, access);
}

INSTANTIATE_TEST_SUITE_P(Servers, FruCrossCheck,
                         ::testing::Values("", "quanta_d51.emu", "s2600wtt.emu", "dell_r730xd.emu"),
                         [](const ::testing::TestParamInfo<std::string>& info) {
                           return info.param.empty() ? std::string("project_server")
                                                     : info.param.substr(0, info.param.find('.'));
                         });

}  // namespace
}  // namespace marlek::fru
