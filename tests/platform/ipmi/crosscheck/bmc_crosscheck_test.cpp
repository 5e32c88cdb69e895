// libdravik.so against the project's simulated server: the BMC identity and
// LAN settings as `ipmitool mc info` and `ipmitool lan print` show them.
#include "bmc/manufacturers.h"
#include "support/peer_tools.h"

#include <HostCtl/Hardware.h>

#include <gtest/gtest.h>

namespace HostCtl {
namespace {

using marlek::testing::LabelValues;
using marlek::testing::Value;

using BmcCrossCheck = marlek::testing::SimulatedServerTest;

TEST_F(BmcCrossCheck, IdentityAndLanAsThePeersShowThem) {
  ASSERT_NO_FATAL_FAILURE(Start("", {"ipmi_sim", "ipmitool"}, false));
  if (IsSkipped())
    return;
  std::unique_ptr<Hardware::HardwareInfo> info = Host::GetHardwareInfo();
  EXPECT_EQ(info->Prepare(), 0);
  ASSERT_TRUE(info->HasBmc());
  const Hardware::BmcData data = info->GetBmcData();

  const auto mc = LabelValues(Ipmitool("mc info"));
  EXPECT_EQ(data.manufacturer, Bmc::ManufacturerName(std::stoul(Value(mc, "Manufacturer ID"))));
  EXPECT_EQ(data.firmwareVersion, Value(mc, "Firmware Revision"));
  EXPECT_EQ(data.ipmiVersion, Value(mc, "IPMI Version"));
  const auto lan = LabelValues(Ipmitool("lan print"));
  EXPECT_EQ(data.macAddress, Value(lan, "MAC Address"));
  EXPECT_EQ(data.ipv4Address, Value(lan, "IP Address"));
  EXPECT_EQ(data.ipv4Subnet, Value(lan, "Subnet Mask"));
  EXPECT_EQ(data.ipv4Gateway, Value(lan, "Default Gateway IP"));
  EXPECT_TRUE(data.lanAdminStatus);
  EXPECT_TRUE(data.ipv6Addresses.empty()) << "the simulator has no IPv6 parameters";
  EXPECT_EQ(data.osName, "") << "nor system info parameters";

  EXPECT_FALSE(info->SetBmcOsInfo("Debian", "12")) << "ipmi_sim has no system info parameters";
  EXPECT_FALSE(info->SetBmcOsHostname("db-3"));
}

}  // namespace
}  // namespace HostCtl
