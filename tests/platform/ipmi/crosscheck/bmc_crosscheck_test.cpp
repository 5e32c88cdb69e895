// libdravik.so against the simulated server: the BMC identity and LAN
// settings as `ipmitool mc info`, `ipmitool lan print` and `bmc-info` show
// them, through the IPMI library's node 0 configuration.

#include "bmc/manufacturers.h"
#include "support/peer_tools.h"
#include "support/simulated_bmc.h"
#include "support/temp_dir.h"

#include <HostCtl/Hardware.h>
#include <Ipmi/Ipmi.h>

#include <gtest/gtest.h>

#include <regex>

namespace HostCtl {
namespace {

using marlek::testing::FreeIpmiCommand;
using marlek::testing::HaveProgram;
using marlek::testing::IpmitoolCommand;
using marlek::testing::PeerStderr;
using marlek::testing::RunCommand;
using marlek::testing::ScopedEnv;
using marlek::testing::SimulatedBmc;

// The value after "<label> :" on its line.
std::string Field(const std::string& text, const std::string& label) {
  std::smatch m;
  const std::regex line("(^|\n)" + label + R"(\s*: ([^\n]*))");
  return std::regex_search(text, m, line) ? std::string(m[2]) : "(missing " + label + ")";
}

bool GuardFree() {
  if (pthread_mutex_trylock(&Ipmi::IpmiDevGuard) != 0)
    return false;
  pthread_mutex_unlock(&Ipmi::IpmiDevGuard);
  return true;
}

class BmcCrossCheck : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const char* tool : {"ipmi_sim", "ipmitool", "bmc-info"})
      if (!HaveProgram(tool))
        GTEST_SKIP() << tool << " is not installed";
    sim_ = std::make_unique<SimulatedBmc>(std::vector<std::string>{});
    ASSERT_TRUE(sim_->Started()) << sim_->StartLog();
    env_ = std::make_unique<ScopedEnv>("MARLEK_IPMI_CONF", sim_->ConfPath());
  }
  std::string Ipmitool(const std::string& args) const {
    return RunCommand(IpmitoolCommand(*sim_, 60) + " " + args, PeerStderr::kDiscard);
  }
  std::string BmcInfo() const {
    return RunCommand(FreeIpmiCommand("bmc-info", *sim_, 60), PeerStderr::kDiscard);
  }

  std::unique_ptr<SimulatedBmc> sim_;
  std::unique_ptr<ScopedEnv> env_;
};

TEST_F(BmcCrossCheck, IdentityAndLanAsThePeersShowThem) {
  std::unique_ptr<Hardware::HardwareInfo> info = Host::GetHardwareInfo();
  EXPECT_EQ(info->Prepare(), 0);
  ASSERT_TRUE(info->HasBmc());
  const Hardware::BmcData data = info->GetBmcData();
  EXPECT_TRUE(GuardFree());

  const std::string mc = Ipmitool("mc info");
  EXPECT_EQ(data.manufacturer, Bmc::ManufacturerName(std::stoul(Field(mc, "Manufacturer ID"))));
  EXPECT_EQ(data.firmwareVersion, Field(mc, "Firmware Revision"));
  EXPECT_EQ(data.ipmiVersion, Field(mc, "IPMI Version"));

  const std::string lan = Ipmitool("lan print");
  EXPECT_EQ(data.macAddress, Field(lan, "MAC Address"));
  EXPECT_EQ(data.ipv4Address, Field(lan, "IP Address"));
  EXPECT_EQ(data.ipv4Subnet, Field(lan, "Subnet Mask"));
  EXPECT_EQ(data.ipv4Gateway, Field(lan, "Default Gateway IP"));
  EXPECT_TRUE(data.lanAdminStatus);
  EXPECT_TRUE(data.ipv6Addresses.empty()) << "the simulator has no IPv6 parameters";
  EXPECT_EQ(data.osName, "") << "nor system info parameters";

  const std::string bmcInfo = BmcInfo();
  EXPECT_EQ(data.firmwareVersion, Field(bmcInfo, "Firmware Revision"));
  EXPECT_EQ(data.ipmiVersion, Field(bmcInfo, "IPMI Version"));
  EXPECT_NE(Field(bmcInfo, "Manufacturer ID").find("(" + Field(mc, "Manufacturer ID") + ")"),
            std::string::npos);
}

TEST_F(BmcCrossCheck, SettingsTheSimulatorCannotTakeAreRefused) {
  std::unique_ptr<Hardware::HardwareInfo> info = Host::GetHardwareInfo();
  ASSERT_TRUE(info->HasBmc());
  EXPECT_FALSE(info->SetBmcOsInfo("Debian", "12")) << "ipmi_sim has no system info parameters";
  EXPECT_FALSE(info->SetBmcOsHostname("db-3"));
  EXPECT_TRUE(GuardFree());
}

TEST(BmcAbsent, NoBmcBehindNodeZero) {
  marlek::testing::TempDir dir;
  // A LAN BMC on a loopback port nobody serves.
  const std::string conf =
      dir.Write("marlek-ipmi.conf",
                "[node 0]\ntransport = lan\nhost = 127.0.0.1\nport = 9\nusername = admin\n"
                "timeout-ms = 200\nretries = 0\n");
  ScopedEnv env("MARLEK_IPMI_CONF", conf);
  std::unique_ptr<Hardware::HardwareInfo> info = Host::GetHardwareInfo();
  EXPECT_EQ(info->Prepare(), -1);
  EXPECT_FALSE(info->HasBmc());
  EXPECT_ANY_THROW(info->GetBmcData());
  EXPECT_TRUE(GuardFree());
}

}  // namespace
}  // namespace HostCtl
