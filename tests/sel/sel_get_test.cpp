// hardware ipmi sel get against the scripted IPMI library.

#include "command_test.h"
#include "sel/ipmi_sel_get.h"

#include <stdexcept>

namespace {

using FakeIpmi::CallTexts;
using FakeIpmi::Invocation;
using FakeIpmi::RenderRoot;
using FakeIpmi::RunCommand;
using FakeIpmi::state;
using OstrelCli::Hardware::IpmiSelGet;

const char kEmpty[] =
    "IpmiSELConfig{Enabled=[], Sel-Clock=[], Version=[], Total Records=[], Maximum Records=[], Overflow=[], "
    "Last Cleared=[], Last Added=[], Raw=[], Formatted-Raw=[]}";

void ScriptSel() {
  Ipmi::IpmiSel::Fields fields;
  fields.enabled = true;
  fields.version = 0x51;
  fields.currentRecords = 12;
  fields.maxRecords = -3;
  fields.overflow = false;
  fields.eraseTimeStamp = 0;
  fields.addTimeStamp = 0x20000001;
  state().selInfo.reset(new Ipmi::IpmiSel(fields));
  state().selClock = 1394038964;
  Ipmi::SelInfoRecord raw{};
  raw.selVersion = 0x51;
  raw.entries = 0x000c;
  raw.operationSupport = 0x0f;
  state().rawSelHeader = raw;
}

class SelGet : public FakeIpmi::CommandTest {
 protected:
  std::shared_ptr<IpmiSelGet> command = IpmiSelGet::New();
};

TEST_F(SelGet, OneReadingWithoutDumps) {
  ScriptSel();
  auto output = RunCommand(*command, {{}, {{"node", "not even a number"}}});
  EXPECT_TRUE(Errors(*output).empty());
  EXPECT_EQ(RenderRoot(*output),
            "IpmiSELConfig{Enabled=[true], Sel-Clock=[\"2014-03-05T17:02:44\"], Version=[\"0x51 (1.5)\"], "
            "Total Records=[12], Maximum Records=[-3], Overflow=[false], Last Cleared=[\"N/A\"], "
            "Last Added=[\"1987-01-05T18:48:33\"], Raw=[], Formatted-Raw=[]}");
  EXPECT_EQ(state().rawSelHeaderCalls, 0);
  // The clock is read before the lock; the rest under it; no node is chosen.
  EXPECT_EQ(CallTexts(), (std::vector<std::string>{"GetSelClock()", "GetSelInfo()"}));
  EXPECT_EQ(CallsWithoutLock(), (std::vector<std::string>{"GetSelClock()"}));
}

TEST_F(SelGet, DumpsReadTheRawHeaderOncePerDump) {
  ScriptSel();
  state().selClock = -1;
  auto output = RunCommand(*command, {{"include-raw", "include-pretty-raw"}, {}});
  EXPECT_EQ(RenderRoot(*output),
            "IpmiSELConfig{Enabled=[true], Sel-Clock=[\"N/A\"], Version=[\"0x51 (1.5)\"], "
            "Total Records=[12], Maximum Records=[-3], Overflow=[false], Last Cleared=[\"N/A\"], "
            "Last Added=[\"1987-01-05T18:48:33\"], Raw=[\"00510c00000000000000000000000f\"], "
            "Formatted-Raw=[\"00 51 0c 00 00 00 00 00 00 00 00 00 00 00 0f \"]}");
  EXPECT_EQ(state().rawSelHeaderCalls, 2);
  EXPECT_EQ(CallsWithoutLock(), (std::vector<std::string>{"GetSelClock()"}));
}

TEST_F(SelGet, Failures) {
  struct Case {
    const char* name;
    std::function<void()> script;
    std::string message;
  };
  const Case cases[] = {
      {"no information", [] { state().selInfo.reset(); },
       "No SEL configuration was retrieved from IPMI controller."},
      {"information fails",
       [] { state().throws["GetSelInfo()"] = [] { throw ostrelInt::CmpiStatus("busy"); }; }, "busy"},
      {"clock fails", [] { state().throws["GetSelClock()"] = [] { throw std::runtime_error("no clock"); }; },
       "no clock"},
      {"raw header fails",
       [] { state().throws["getRawSelHeader()"] = [] { throw std::runtime_error("no header"); }; },
       "no header"},
  };
  for (const Case& c : cases) {
    for (bool ignoreMissing : {false, true}) {
      FakeIpmi::Reset();
      ScriptSel();
      c.script();
      Invocation invocation{{"include-pretty-raw"}, {}};
      if (ignoreMissing) {
        invocation.flags.insert("ignore-missing");
      }
      auto output = RunCommand(*command, invocation);
      const std::string where = std::string(c.name) + (ignoreMissing ? " ignoring" : "");
      if (ignoreMissing) {
        EXPECT_TRUE(Errors(*output).empty()) << where;
        EXPECT_EQ(RenderRoot(*output), kEmpty) << where;
      } else {
        EXPECT_EQ(
            Errors(*output),
            (std::vector<std::string>{"Retrieve IPMI System Event Log Configuration failed: " + c.message}))
            << where;
        EXPECT_EQ(RenderRoot(*output), "(none)") << where;
      }
      EXPECT_FALSE(FakeIpmi::DevGuardHeld()) << where;
    }
  }
}

TEST_F(SelGet, ForeignExceptionsPassOutAfterUnlock) {
  ScriptSel();
  state().throws["getRawSelHeader()"] = [] { throw FakeIpmi::ForeignError{"x"}; };
  EXPECT_THROW(RunCommand(*command, {{"include-raw", "ignore-missing"}, {}}), FakeIpmi::ForeignError);
}

}  // namespace
