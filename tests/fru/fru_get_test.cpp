// hardware ipmi fru get against the scripted IPMI library.

#include "command_test.h"
#include "fru/ipmi_fru_get.h"

#include <stdexcept>

namespace {

using FakeIpmi::CallTexts;
using FakeIpmi::Invocation;
using FakeIpmi::RenderRoot;
using FakeIpmi::RunCommand;
using FakeIpmi::state;
using OstrelCli::Hardware::IpmiFruGet;

Ipmi::FruDeviceHeaderInfo Header(std::uint8_t status, std::uint16_t size, std::uint8_t access,
                                 std::uint8_t id) {
  Ipmi::FruDeviceHeaderInfo header{};
  header.statusByte = status;
  header.areaSize = size;
  header.accessByte = access;
  header.deviceId = id;
  return header;
}

const char kEmpty[] = "IpmiFRUConfig{Device IDs=[], Size-bytes=[], Features=[], Raw=[], Formatted-Raw=[]}";

class FruGet : public FakeIpmi::CommandTest {
 protected:
  std::shared_ptr<IpmiFruGet> command = IpmiFruGet::New();
};

TEST_F(FruGet, OneEntryPerNodeWithDumps) {
  state().devices = {0, 1};
  state().nodes[0].fruHeader = Header(0, 0x0400, 0, 255);
  state().nodes[1].fruHeader = Header(0xc1, 0xffff, 26, 0);
  auto output = RunCommand(*command, {{"include-raw", "include-pretty-raw"}, {}});
  EXPECT_TRUE(Errors(*output).empty());
  EXPECT_EQ(
      RenderRoot(*output),
      "IpmiFRUConfig{Device IDs=[\"255\", \"0\"], Size-bytes=[1024, 65535], Features=[\"0x0\", \"0x1a\"], "
      "Raw=[\"00000400ff\", \"c1ffff1a00\"], Formatted-Raw=[\"00 00 04 00 ff \", \"c1 ff ff 1a 00 \"]}");
  EXPECT_TRUE(CallsWithoutLock().empty());
}

TEST_F(FruGet, NoDumpsWithoutFlagsAndAllZeroBytesStillDumped) {
  state().nodes[3].fruHeader = Header(0, 0, 0, 0);
  auto output = RunCommand(*command, {{}, {{"node", "3"}}});
  EXPECT_EQ(
      RenderRoot(*output),
      "IpmiFRUConfig{Device IDs=[\"0\"], Size-bytes=[0], Features=[\"0x0\"], Raw=[], Formatted-Raw=[]}");
  output = RunCommand(*command, {{"include-raw"}, {{"node", "3"}}});
  EXPECT_EQ(RenderRoot(*output),
            "IpmiFRUConfig{Device IDs=[\"0\"], Size-bytes=[0], Features=[\"0x0\"], Raw=[\"0000000000\"], "
            "Formatted-Raw=[]}");
}

TEST_F(FruGet, NoNodeGivesEmptyLists) {
  auto output = RunCommand(*command);
  EXPECT_EQ(RenderRoot(*output), kEmpty);
  EXPECT_TRUE(Errors(*output).empty());
}

// Nodes 0, 1 and 2; node 1 fails. Nothing of node 0 is kept either way.
TEST_F(FruGet, FailureOfTheSecondNode) {
  ExpectFailures(
      *command, [] {}, {{"include-raw"}, {}}, "Unable to get IPMI Field Replaceable Unit (FRU) device : ",
      {
          {"open", [] { state().nodes[1].openResult = -1; }, "Access device /dev/ipmi1 failed", kEmpty},
          {"sdr", [] { state().nodes[1].sdrInfoResult = -1; },
           "No SDR records or incompatible version or read failed :", kEmpty},
          {"instantiate", [] { state().nodes[1].fruInstantiateResult = -1; },
           "Retrieve FRU data failed :", kEmpty},
          {"header",
           [] { state().throws["getFruDeviceHeader(1)"] = [] { throw std::runtime_error("no header"); }; },
           "no header", kEmpty},
      });
}

TEST_F(FruGet, ForeignExceptionsPassOutAfterCloseAndUnlock) {
  state().throws["getFruDeviceHeader(0)"] = [] { throw FakeIpmi::ForeignError{"x"}; };
  EXPECT_THROW(RunCommand(*command, {{"ignore-missing"}, {{"node", "0"}}}), FakeIpmi::ForeignError);
  EXPECT_EQ(CallTexts("IpmiIfcCloseForCLI"), (std::vector<std::string>{"IpmiIfcCloseForCLI(0)"}));
}

}  // namespace
