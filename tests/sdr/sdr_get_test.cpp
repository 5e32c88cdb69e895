// hardware ipmi sdr get against the scripted IPMI library.

#include "command_test.h"
#include "sdr/ipmi_sdr_get.h"

#include <stdexcept>

namespace {

using FakeIpmi::CallTexts;
using FakeIpmi::Invocation;
using FakeIpmi::RenderRoot;
using FakeIpmi::RunCommand;
using FakeIpmi::state;
using OstrelCli::Hardware::IpmiSdrGet;

Ipmi::SdrRepositoryInfo Repository(std::uint8_t version, std::uint16_t count, std::uint8_t support) {
  Ipmi::SdrRepositoryInfo info{};
  info.completionCode = 0;
  info.sdrVersion = version;
  info.recordCount = count;
  info.freeSpace = 0x0400;
  info.mostRecentAddition = 1394038964;
  info.mostRecentErase = 0;
  info.operationSupport = support;
  return info;
}

const char kEmpty[] =
    "IpmiSDRConfig{Version=[], Total Records=[], Free Space=[], Last Cleared=[], Last Added=[], Feature=[], "
    "Raw=[], "
    "Formatted-Raw=[]}";

class SdrGet : public FakeIpmi::CommandTest {
 protected:
  std::shared_ptr<IpmiSdrGet> command = IpmiSdrGet::New();
};

TEST_F(SdrGet, OneEntryPerNodeInNodeOrder) {
  state().devices = {0, 3};
  state().nodes[0].sdr = Repository(0x51, 0x0102, 0x6f);
  state().nodes[3].sdr = Repository(0x02, 7, 0x0f);
  auto output = RunCommand(*command);
  EXPECT_TRUE(Errors(*output).empty());
  EXPECT_EQ(RenderRoot(*output),
            "IpmiSDRConfig{Version=[\"0x51 (1.5)\", \"0x2 (2.0)\"], Total Records=[258, 7], Free "
            "Space=[1024, 1024], "
            "Last Cleared=[\"N/A\", \"N/A\"], Last Added=[\"2014-03-05T17:02:44\", \"2014-03-05T17:02:44\"], "
            "Feature=[\"0x6f\", \"0x0f\"], Raw=[], Formatted-Raw=[]}");
  EXPECT_EQ(
      CallTexts("IpmiIfc"),
      (std::vector<std::string>{"IpmiIfcOpenIpmiOpen(0)", "IpmiIfcInitForCLI(0)", "IpmiIfcSdrGetInfo(0)",
                                "IpmiIfcOpenIpmiClose(0)", "IpmiIfcCloseForCLI(0)", "IpmiIfcOpenIpmiOpen(3)",
                                "IpmiIfcInitForCLI(3)", "IpmiIfcSdrGetInfo(3)", "IpmiIfcOpenIpmiClose(3)",
                                "IpmiIfcCloseForCLI(3)"}));
  EXPECT_TRUE(CallsWithoutLock().empty());
}

TEST_F(SdrGet, DumpsCoverTheFifteenBytesCompletionCodeFirst) {
  Ipmi::SdrRepositoryInfo info = Repository(0x51, 0x0102, 0xaf);
  info.completionCode = 0xc1;
  info.mostRecentErase = 0x20000001;
  state().nodes[2].sdr = info;
  auto output = RunCommand(*command, {{"include-raw", "include-pretty-raw"}, {{"node", "2"}}});
  EXPECT_EQ(
      RenderRoot(*output),
      "IpmiSDRConfig{Version=[\"0x51 (1.5)\"], Total Records=[258], Free Space=[1024], "
      "Last Cleared=[\"1987-01-05T18:48:33\"], Last Added=[\"2014-03-05T17:02:44\"], Feature=[\"0xaf\"], "
      "Raw=[\"c15102010004b458175301000020af\"], "
      "Formatted-Raw=[\"c1 51 02 01 00 04 b4 58 17 53 01 00 00 20 af \"]}");
}

TEST_F(SdrGet, NoNodeGivesEmptyLists) {
  auto output = RunCommand(*command);
  EXPECT_EQ(RenderRoot(*output), kEmpty);
  EXPECT_TRUE(Errors(*output).empty());
}

// Nodes 0, 1 and 2; node 1 fails. Nothing of node 0 is kept either way.
TEST_F(SdrGet, FailureOfTheSecondNode) {
  ExpectFailures(
      *command, [] {}, {{"include-raw"}, {}}, "Retrieve IPMI Sensor Data Respository Configuration failed : ",
      {
          {"open", [] { state().nodes[1].openResult = -1; }, "Access device /dev/ipmi1 failed", kEmpty},
          {"sdr info", [] { state().nodes[1].sdrInfoResult = -1; },
           "Read SDR configuration failed for node: 1", kEmpty},
          {"get sdr",
           [] { state().throws["getSdr(1)"] = [] { throw ostrelInt::CmpiStatus("timeout on node 1"); }; },
           "timeout on node 1", kEmpty},
      });
}

TEST_F(SdrGet, NodeValueErrors) {
  auto output = RunCommand(*command, {{}, {{"node", "one"}}});
  EXPECT_EQ(Errors(*output),
            (std::vector<std::string>{"Retrieve IPMI Sensor Data Respository Configuration failed : "
                                      "Expected an ordinal number in the range of 0 - 3, argument: "
                                      "'one'"}));
  EXPECT_EQ(RenderRoot(*output), "(none)");
  output = RunCommand(*command, {{"ignore-missing"}, {{"node", "one"}}});
  EXPECT_TRUE(Errors(*output).empty());
  EXPECT_EQ(RenderRoot(*output), kEmpty);
}

TEST_F(SdrGet, ForeignExceptionsPassOutAfterCloseAndUnlock) {
  state().throws["getSdr(0)"] = [] { throw FakeIpmi::ForeignError{"x"}; };
  EXPECT_THROW(RunCommand(*command, {{"ignore-missing"}, {{"node", "0"}}}), FakeIpmi::ForeignError);
  EXPECT_EQ(CallTexts("IpmiIfcCloseForCLI"), (std::vector<std::string>{"IpmiIfcCloseForCLI(0)"}));
}

}  // namespace
