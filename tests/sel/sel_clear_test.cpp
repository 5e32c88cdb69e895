// hardware ipmi sel clear against the scripted IPMI library.

#include "command_test.h"
#include "sel/ipmi_sel_clear.h"

#include <syslog.h>

#include <stdexcept>

namespace {

using FakeIpmi::CallTexts;
using FakeIpmi::Invocation;
using FakeIpmi::RenderRoot;
using FakeIpmi::RunCommand;
using FakeIpmi::state;
using OstrelCli::Hardware::IpmiSelClear;

const std::string kLogged = "syslog(" + std::to_string(LOG_WARNING) + ",IPMI SEL Cleared by CLI command)";

class SelClearCommand : public FakeIpmi::CommandTest {
 protected:
  std::shared_ptr<IpmiSelClear> command = IpmiSelClear::New();
};

TEST_F(SelClearCommand, ClearsEveryNodeThenLogsOnceUnderTheLock) {
  state().devices = {0, 1, 3};
  auto output = RunCommand(*command, {{"include-raw", "include-pretty-raw", "include-all-sensors"}, {}});
  EXPECT_TRUE(Errors(*output).empty());
  EXPECT_EQ(RenderRoot(*output), "true");
  EXPECT_EQ(state().cleared, (std::vector<int>{0, 1, 3}));
  std::vector<std::string> calls = CallTexts();
  calls.erase(calls.begin(), calls.begin() + 4);  // discovery
  EXPECT_EQ(calls, (std::vector<std::string>{
                       "IpmiIfcOpenIpmiOpen(0)", "IpmiIfcInitForCLI(0)", "IpmiIfcSelGetInfo(0,null)",
                       "clearSel(0)", "IpmiIfcOpenIpmiClose(0)", "IpmiIfcCloseForCLI(0)",
                       "IpmiIfcOpenIpmiOpen(1)", "IpmiIfcInitForCLI(1)", "IpmiIfcSelGetInfo(1,null)",
                       "clearSel(1)", "IpmiIfcOpenIpmiClose(1)", "IpmiIfcCloseForCLI(1)",
                       "IpmiIfcOpenIpmiOpen(3)", "IpmiIfcInitForCLI(3)", "IpmiIfcSelGetInfo(3,null)",
                       "clearSel(3)", "IpmiIfcOpenIpmiClose(3)", "IpmiIfcCloseForCLI(3)", kLogged}));
  EXPECT_TRUE(CallsWithoutLock().empty());
}

TEST_F(SelClearCommand, NoNodeStillLogsAndSucceeds) {
  auto output = RunCommand(*command);
  EXPECT_EQ(RenderRoot(*output), "true");
  EXPECT_EQ(CallTexts("syslog"), (std::vector<std::string>{kLogged}));
  EXPECT_TRUE(CallTexts("IpmiIfc").empty());
}

TEST_F(SelClearCommand, FailedInitialisationAloneDoesNotStopTheClear) {
  state().nodes[2].initResult = 3;
  auto output = RunCommand(*command, {{}, {{"node", "2"}}});
  EXPECT_EQ(RenderRoot(*output), "true");
  EXPECT_EQ(CallTexts("IpmiIfc"),
            (std::vector<std::string>{"IpmiIfcOpenIpmiOpen(2)", "IpmiIfcInitForCLI(2)",
                                      "IpmiIfcOpenIpmiClose(2)", "IpmiIfcSelGetInfo(2,null)"}));
  EXPECT_EQ(state().cleared, (std::vector<int>{2}));
}

// Nodes 0, 1 and 2; node 1 fails. Node 0 stays cleared, nothing is logged,
// and ignore-missing still answers true.
TEST_F(SelClearCommand, FailureOfTheSecondNode) {
  ExpectFailures(
      *command, [] {}, {}, "Unable to clear IPMI System Event Log : ",
      {
          {"open", [] { state().nodes[1].openResult = -1; }, "Access device /dev/ipmi1 failed", "true"},
          {"sel info", [] { state().nodes[1].selInfoResult = -1; },
           "No records or incompatible version or read failed :", "true"},
          {"clear",
           [] { state().throws["clearSel(1)"] = [] { throw ostrelInt::CmpiStatus("erase timed out"); }; },
           "erase timed out", "true"},
      });
  // The last run: ignore-missing after a failed clear of node 1.
  EXPECT_EQ(state().cleared, (std::vector<int>{0}));
  EXPECT_TRUE(CallTexts("syslog").empty());
}

TEST_F(SelClearCommand, NodeValueErrorsTouchNoDevice) {
  auto output = RunCommand(*command, {{}, {{"node", ""}}});
  EXPECT_EQ(Errors(*output),
            (std::vector<std::string>{"Unable to clear IPMI System Event Log : Expected an ordinal "
                                      "number in the range of 0 - 3, argument: ''"}));
  EXPECT_EQ(RenderRoot(*output), "(none)");
  output = RunCommand(*command, {{"ignore-missing"}, {{"node", ""}}});
  EXPECT_EQ(RenderRoot(*output), "true");
  EXPECT_TRUE(state().calls.empty());
}

TEST_F(SelClearCommand, ForeignExceptionsPassOutAfterCloseAndUnlock) {
  state().throws["clearSel(0)"] = [] { throw FakeIpmi::ForeignError{"x"}; };
  EXPECT_THROW(RunCommand(*command, {{"ignore-missing"}, {{"node", "0"}}}), FakeIpmi::ForeignError);
  EXPECT_EQ(CallTexts("IpmiIfcCloseForCLI"), (std::vector<std::string>{"IpmiIfcCloseForCLI(0)"}));
  EXPECT_TRUE(CallTexts("syslog").empty());
}

}  // namespace
