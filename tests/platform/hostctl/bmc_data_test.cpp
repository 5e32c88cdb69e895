// The BMC record gathered from a scripted BMC.

#include "bmc/bmc_data.h"
#include "bmc/bmc_lan.h"
#include "bmc/manufacturers.h"
#include "fake_bmc.h"

#include <gtest/gtest.h>

namespace HostCtl::Bmc {
namespace {

using testing::FakeBmc;

Bytes Ipv6Entry(std::uint8_t set, std::uint8_t sourceType, std::initializer_list<std::uint8_t> address,
                std::uint8_t prefix, std::uint8_t status) {
  Bytes entry{0x11, set, sourceType};
  entry.insert(entry.end(), address.begin(), address.end());
  entry.resize(3 + 16, 0x00);
  entry.push_back(prefix);
  entry.push_back(status);
  return entry;
}

TEST(BmcData, IdentityNamesAndFirstLanChannel) {
  FakeBmc bmc;
  bmc.StoreText(system_info::kOsName, "Debian GNU/Linux");
  bmc.StoreText(system_info::kSystemName, "node-17.rack-4.example.net");  // two blocks
  const Hardware::BmcData data = GatherBmcData(bmc);
  EXPECT_EQ(data.manufacturer, "Intel Corporation");
  EXPECT_EQ(data.firmwareVersion, "1.17");
  EXPECT_EQ(data.ipmiVersion, "2.0");
  EXPECT_EQ(data.osName, "Debian GNU/Linux");
  EXPECT_EQ(data.hostName, "node-17.rack-4.example.net");
  EXPECT_EQ(data.macAddress, "00:5e:0a:bc:ff:01");
  EXPECT_EQ(data.ipv4Address, "192.168.5.20") << "channel 2, the first 802.3 channel, not channel 3";
  EXPECT_EQ(data.ipv4Subnet, "255.255.252.0");
  EXPECT_EQ(data.ipv4Gateway, "192.168.4.1");
  EXPECT_TRUE(data.ipv6Addresses.empty()) << "the BMC has no IPv6 parameters";
  EXPECT_TRUE(data.lanAdminStatus);
}

TEST(BmcData, Ipv6AddressesThatAreEnabledAndActive) {
  FakeBmc bmc;
  bmc.lanSets[{lan_param::kIpv6Status, 0}] = {0x11, 2, 2, 0x03};
  bmc.lanSets[{lan_param::kIpv6StaticAddress, 0}] =
      Ipv6Entry(0, 0x80, {0x20, 0x01, 0x0d, 0xb8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x05}, 64, 0x00);
  bmc.lanSets[{lan_param::kIpv6StaticAddress, 1}] = Ipv6Entry(
      1, 0x00, {0x20, 0x01, 0x0d, 0xb8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x06}, 64, 0x00);  // disabled
  bmc.lanSets[{lan_param::kIpv6DynamicAddress, 0}] = Ipv6Entry(
      0, 0x01, {0xfe, 0x80, 0, 0, 0, 0, 0, 0, 0x02, 0x5e, 0x0a, 0xff, 0xfe, 0xbc, 0xff, 0x01}, 64, 0x00);
  bmc.lanSets[{lan_param::kIpv6DynamicAddress, 1}] = Ipv6Entry(1, 0x01, {}, 0, 0x00);  // unspecified
  const LanSettings lan = ReadLanSettings(bmc, 2);
  EXPECT_EQ(lan.ipv6Addresses, (std::vector<std::string>{"2001:db8::5/64", "fe80::25e:aff:febc:ff01/64"}));
}

TEST(BmcData, MissingPiecesStayEmpty) {
  FakeBmc bmc;
  bmc.channels.clear();  // no LAN channel at all
  const Hardware::BmcData data = GatherBmcData(bmc);
  EXPECT_EQ(data.osName, "");
  EXPECT_EQ(data.hostName, "");
  EXPECT_EQ(data.macAddress, "");
  EXPECT_EQ(data.ipv4Address, "");
  EXPECT_FALSE(data.lanAdminStatus);

  FakeBmc disabled;
  disabled.accessByte = 0x20;  // access mode disabled
  disabled.lan.erase({2, lan_param::kMacAddress});
  disabled.lan[{2, lan_param::kIpAddress}] = {0x11, 10, 1};  // too short
  const Hardware::BmcData partial = GatherBmcData(disabled);
  EXPECT_FALSE(partial.lanAdminStatus);
  EXPECT_EQ(partial.macAddress, "");
  EXPECT_EQ(partial.ipv4Address, "");
  EXPECT_EQ(partial.ipv4Gateway, "192.168.4.1");

  FakeBmc silent;
  silent.deviceId = {0xd5, {}};
  EXPECT_THROW(GatherBmcData(silent), std::runtime_error);
  EXPECT_FALSE(ProbeBmc(silent));
  silent.deviceId = {0x00, {0x20, 0x01}};
  EXPECT_THROW(GatherBmcData(silent), std::runtime_error) << "short Get Device ID";
}

TEST(BmcData, VersionAndManufacturerTexts) {
  struct Case {
    std::uint8_t major, minor, ipmi;
    const char* firmware;
    const char* ipmiText;
  } cases[] = {{1, 0x17, 0x02, "1.17", "2.0"},
               {2, 0x05, 0x51, "2.05", "1.5"},
               {0, 0x00, 0x01, "0.00", "1.0"},
               {127, 0x99, 0x02, "127.99", "2.0"}};
  for (const Case& c : cases) {
    EXPECT_EQ(FirmwareVersionText(c.major, c.minor), c.firmware);
    EXPECT_EQ(IpmiVersionText(c.ipmi), c.ipmiText);
  }
  EXPECT_EQ(ManufacturerName(674), "Dell Inc.");
  EXPECT_EQ(ManufacturerName(10876), "Super Micro Computer");
  EXPECT_EQ(ManufacturerName(7244), "Quanta Computer");
  EXPECT_EQ(ManufacturerName(4753), "4753");

  FakeBmc unknown;
  unknown.deviceId.data[6] = 0x91;  // manufacturer 0x000191
  unknown.deviceId.data[7] = 0x01;
  EXPECT_EQ(GatherBmcData(unknown).manufacturer, "401");
}

}  // namespace
}  // namespace HostCtl::Bmc
