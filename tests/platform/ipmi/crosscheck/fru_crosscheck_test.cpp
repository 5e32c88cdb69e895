// The FRU inventory of each simulated server read through the library,
// against `ipmitool fru print` and ipmitool's raw Get FRU Inventory Area Info.
#include "support/peer_tools.h"

#include <gtest/gtest.h>

#include <ctime>
#include <iterator>
#include <map>

namespace marlek {
namespace {

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

// "Wed Mar  5 17:02:00 2014 UTC" as we give it: "2014-03-05T17:02:00",
// empty when unspecified.
std::string IsoTime(const std::string& text) {
  std::tm tm{};
  if (!strptime(text.c_str(), "%a %b %d %H:%M:%S %Y", &tm))
    return text;
  char iso[32];
  std::strftime(iso, sizeof iso, "%Y-%m-%dT%H:%M:%S", &tm);
  return std::string(iso) == "1996-01-01T00:00:00" ? "" : iso;
}

class FruCrossCheck : public testing::SimulatedServerTest,
                      public ::testing::WithParamInterface<const char*> {};

// Every device ipmitool decodes is ours with the same texts (those it does
// not print empty), and ipmitool shows every device of ours.
TEST_P(FruCrossCheck, SameFieldsAsIpmitool) {
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

  // Device 0's area as Get FRU Inventory Area Info answers ipmitool.
  const Ipmi::FruDeviceHeaderInfo header = Ipmi::IpmiIfc::getFruDeviceHeader(0);
  unsigned low = 0, high = 0, access = 0;
  ASSERT_EQ(std::sscanf(Ipmitool("raw 0x0a 0x10 0x00").c_str(), "%x %x %x", &low, &high, &access), 3);
  EXPECT_EQ(header.statusByte | header.deviceId, 0);
  EXPECT_EQ(header.areaSize, low | high << 8);
  EXPECT_EQ(header.accessByte, access);
}

INSTANTIATE_TEST_SUITE_P(Servers, FruCrossCheck, ::testing::ValuesIn(testing::kServers), testing::ServerName);

}  // namespace
}  // namespace marlek
