// hardware ipmi bmc get and bmc set against the scripted host-control library.

#include "bmc/ipmi_bmc_get.h"
#include "bmc/ipmi_bmc_set.h"
#include "command_test.h"
#include "common/ipmi_exception.h"

#include <stdexcept>

namespace {

using FakeIpmi::CallTexts;
using FakeIpmi::Invocation;
using FakeIpmi::RenderRoot;
using FakeIpmi::RunCommand;
using FakeIpmi::state;
using OstrelCli::Hardware::IpmiBmcGet;
using OstrelCli::Hardware::IpmiBmcSet;

HostCtl::Hardware::BmcData ScriptedBmc() {
  HostCtl::Hardware::BmcData data;
  data.manufacturer = "Maker";
  data.firmwareVersion = "2.10";
  data.ipmiVersion = "2.0";
  data.osName = "Debian";
  data.hostName = "web01";
  data.macAddress = "00:11:22:33:44:55";
  data.ipv4Address = "10.0.0.2";
  data.ipv4Subnet = "255.255.255.0";
  data.ipv4Gateway = "10.0.0.1";
  data.ipv6Addresses = {"fe80::1", "2001:db8::2"};
  data.lanAdminStatus = true;
  return data;
}

class Bmc : public FakeIpmi::CommandTest {
 protected:
  std::shared_ptr<IpmiBmcGet> get = IpmiBmcGet::New();
  std::shared_ptr<IpmiBmcSet> set = IpmiBmcSet::New();
};

TEST_F(Bmc, GetCopiesTheRecordWithoutTheDeviceLock) {
  state().host.bmc = ScriptedBmc();
  auto output = RunCommand(*get);
  EXPECT_TRUE(Errors(*output).empty());
  EXPECT_EQ(RenderRoot(*output),
            "IpmiBmcConfig{Manufacturer=\"Maker\", BMC Firmware Version=\"2.10\", IPMI Version=\"2.0\", "
            "OS Name Reported=\"Debian\", Hostname Reported=\"web01\", MAC Address=\"00:11:22:33:44:55\", "
            "LAN ifAdminStatus=true, IPv4 Address=\"10.0.0.2\", IPv4 Subnet=\"255.255.255.0\", "
            "IPv4 Gateway=\"10.0.0.1\", IPv6 Addresses=[\"fe80::1\", \"2001:db8::2\"]}");
  EXPECT_EQ(CallTexts(), (std::vector<std::string>{"GetHardwareInfo()", "Prepare()", "HasBmc()",
                                                   "GetBmcData()", "~HardwareInfo()"}));
  EXPECT_EQ(CallsWithoutLock().size(), 5u);
}

TEST_F(Bmc, GetPassesEmptyValuesThrough) {
  HostCtl::Hardware::BmcData data;
  state().host.bmc = data;
  auto output = RunCommand(*get);
  EXPECT_EQ(
      RenderRoot(*output),
      "IpmiBmcConfig{Manufacturer=\"\", BMC Firmware Version=\"\", IPMI Version=\"\", OS Name Reported=\"\", "
      "Hostname Reported=\"\", MAC Address=\"\", LAN ifAdminStatus=false, IPv4 Address=\"\", "
      "IPv4 Subnet=\"\", IPv4 Gateway=\"\", IPv6 Addresses=[]}");
}

TEST_F(Bmc, GetWithoutABmcGivesTheEmptyStructureAndOneMessage) {
  state().host.hasBmc = false;
  auto output = RunCommand(*get);
  EXPECT_EQ(Errors(*output),
            (std::vector<std::string>{
                "Retrieve IPMI Baseboard Management Configuration failed : No BMC Device found"}));
  EXPECT_EQ(
      RenderRoot(*output),
      "IpmiBmcConfig{Manufacturer=\"\", BMC Firmware Version=\"\", IPMI Version=\"\", OS Name Reported=\"\", "
      "Hostname Reported=\"\", MAC Address=\"\", LAN ifAdminStatus=null, IPv4 Address=\"\", "
      "IPv4 Subnet=\"\", IPv4 Gateway=\"\", IPv6 Addresses=[]}");
  EXPECT_EQ(CallTexts(),
            (std::vector<std::string>{"GetHardwareInfo()", "Prepare()", "HasBmc()", "~HardwareInfo()"}));
}

TEST_F(Bmc, GetLetsOtherExceptionsPassAfterReleasingTheHandle) {
  state().throws["GetBmcData()"] = [] { throw std::runtime_error("BMC did not answer"); };
  EXPECT_THROW(RunCommand(*get), std::runtime_error);
  EXPECT_EQ(CallTexts().back(), "~HardwareInfo()");
}

TEST_F(Bmc, SetParameters) {
  struct Case {
    const char* name;
    std::map<std::string, std::string> parameters;
    bool osInfoResult;
    std::vector<std::string> calls;
    const char* root;
  };
  const Case cases[] = {
      {"all three",
       {{"os-name", "Debian"}, {"os-version", "12"}, {"os-hostname", "web01"}},
       true,
       {"SetBmcOsHostname(web01)", "SetBmcOsInfo(Debian,12)"},
       "true"},
      {"host name only",
       {{"os-hostname", "web02"}},
       true,
       {"SetBmcOsHostname(web02)", "SetBmcOsInfo(,)"},
       "true"},
      {"empty host name",
       {{"os-hostname", ""}, {"os-name", "x"}},
       false,
       {"SetBmcOsHostname()", "SetBmcOsInfo(x,)"},
       "false"},
      {"nothing", {}, true, {"SetBmcOsInfo(,)"}, "true"},
      {"rejected", {{"os-name", "Debian"}}, false, {"SetBmcOsInfo(Debian,)"}, "false"},
  };
  for (const Case& c : cases) {
    FakeIpmi::Reset();
    state().host.osInfoResult = c.osInfoResult;
    state().host.hostnameResult = false;  // a failed host name call is not reported
    auto output = RunCommand(*set, {{}, c.parameters});
    std::vector<std::string> calls{"GetHardwareInfo()", "Prepare()", "HasBmc()"};
    calls.insert(calls.end(), c.calls.begin(), c.calls.end());
    calls.push_back("~HardwareInfo()");
    EXPECT_EQ(CallTexts(), calls) << c.name;
    EXPECT_EQ(RenderRoot(*output), c.root) << c.name;
    EXPECT_TRUE(Errors(*output).empty()) << c.name;
  }
}

TEST_F(Bmc, SetWithoutABmcChangesNothing) {
  state().host.hasBmc = false;
  auto output = RunCommand(*set, {{}, {{"os-name", "Debian"}, {"os-hostname", "web01"}}});
  EXPECT_EQ(Errors(*output), (std::vector<std::string>{"No BMC device found"}));
  EXPECT_EQ(RenderRoot(*output), "false");
  EXPECT_EQ(CallTexts(),
            (std::vector<std::string>{"GetHardwareInfo()", "Prepare()", "HasBmc()", "~HardwareInfo()"}));
}

TEST_F(Bmc, SetCatchesNothing) {
  state().throws["SetBmcOsHostname(web01)"] = [] { throw std::runtime_error("refused"); };
  EXPECT_THROW(RunCommand(*set, {{}, {{"os-hostname", "web01"}}}), std::runtime_error);
  EXPECT_EQ(CallTexts().back(), "~HardwareInfo()");
  FakeIpmi::Reset();
  state().throws["HasBmc()"] = [] { throw OstrelCli::Hardware::IpmiException("odd"); };
  EXPECT_THROW(RunCommand(*set), OstrelCli::Hardware::IpmiException);
}

}  // namespace
