// hardware ipmi sel list against the scripted IPMI library.

#include "command_test.h"
#include "sel/ipmi_sel_list.h"

#include <stdexcept>

namespace {

using FakeIpmi::CallTexts;
using FakeIpmi::Invocation;
using FakeIpmi::MakeSelRecord;
using FakeIpmi::RenderRoot;
using FakeIpmi::RunCommand;
using FakeIpmi::SelScript;
using FakeIpmi::state;
using OstrelCli::Hardware::IpmiSelList;

SelScript Event(int id) {
  SelScript s;
  for (int i = 0; i < 16; ++i) {
    s.raw[i] = static_cast<unsigned char>(id * 16 + i);
  }
  s.recordId = id;
  s.recordType = 2;
  s.timeStamp = 1394038964;
  s.eventType = 6;
  s.caption = "Assert + Temperature Upper Critical going high";
  s.sensorNumber = 48;
  return s;
}

std::string Record(int id, const std::string& when, const std::string& event, const std::string& type,
                   const std::string& sensor, const std::string& raw = "", const std::string& pretty = "") {
  return "IpmiSEL{Record Id=" + std::to_string(id) + ", When=\"" + when + "\", Event Type=\"" + event +
         "\", SEL Type=\"" + type +
         "\", Message=\"Assert + Temperature Upper Critical going high\", Sensor Number=\"" + sensor +
         "\", Raw=\"" + raw + "\", Formatted-Raw=\"" + pretty + "\"}";
}

std::string Plain(int id) {
  return Record(id, "2014-03-05T17:02:44", "6 (Critical)", "2 (System Event)", "48");
}

class SelList : public FakeIpmi::CommandTest {
 protected:
  std::shared_ptr<IpmiSelList> command = IpmiSelList::New();
};

TEST_F(SelList, RendersARecordWithBothDumps) {
  state().nodes[0].sel = {MakeSelRecord(Event(1))};
  auto output = RunCommand(*command, {{"include-raw", "include-pretty-raw"}, {{"node", "0"}}});
  EXPECT_TRUE(Errors(*output).empty());
  EXPECT_EQ(RenderRoot(*output), "[" +
                                     Record(1, "2014-03-05T17:02:44", "6 (Critical)", "2 (System Event)",
                                            "48", "101112131415161718191a1b1c1d1e1f",
                                            "10 11 12 13 14 15 16 17 18 19 1a 1b 1c 1d 1e 1f ") +
                                     "]");
  EXPECT_EQ(CallTexts(), (std::vector<std::string>{
                             "IpmiIfcOpenIpmiOpen(0)", "IpmiIfcInitForCLI(0)", "IpmiIfcSelGetInfo(0,ptr)",
                             "getSelData()", "sel1.messageTimeStamp", "sel1.recordId", "sel1.eventType",
                             "sel1.recordType", "sel1.recordType", "sel1.caption", "sel1.getSensorNumber",
                             "IpmiIfcOpenIpmiClose(0)", "IpmiIfcCloseForCLI(0)"}));
  EXPECT_TRUE(CallsWithoutLock().empty());
}

TEST_F(SelList, FieldTexts) {
  struct Case {
    std::uint32_t timeStamp;
    int eventType;
    int recordType;
    int sensor;
    std::string expected;
  };
  const Case cases[] = {
      {0, 9, 2, 48, Record(1, "N/A", "9 (Unknown)", "2 (System Event)", "48")},
      {0x20000000, -1, 0xe0, 0, Record(1, "N/A", "N/A", "224 (OEM Timestamped)", "0")},
      {0x20000001, -2, 0xc0, -1,
       Record(1, "1987-01-05T18:48:33", "4294967294 (Unknown)", "192 (OEM Timestamped)", "-1")},
      {0xffffffff, 0, 1, 255, Record(1, "2106-02-07T06:28:15", "0 (Unknown)", "1 (OEM Timestamped)", "255")},
      {1394038964, 3, -1, 7,
       Record(1, "2014-03-05T17:02:44", "3 (Degraded/Warning)", "4294967295 (OEM Timestamped)", "7")},
  };
  for (const Case& c : cases) {
    FakeIpmi::Reset();
    SelScript s = Event(1);
    s.timeStamp = c.timeStamp;
    s.eventType = c.eventType;
    s.recordType = c.recordType;
    s.sensorNumber = c.sensor;
    state().nodes[0].sel = {MakeSelRecord(s)};
    auto output = RunCommand(*command, {{}, {{"node", "0"}}});
    EXPECT_EQ(RenderRoot(*output), "[" + c.expected + "]");
  }
}

TEST_F(SelList, RecordsInLibraryOrderNodeAfterNodeSkippingNullEntries) {
  state().devices = {1, 3};
  state().nodes[1].sel = {MakeSelRecord(Event(7)), std::tr1::shared_ptr<Ipmi::IpmiSelData>(),
                          MakeSelRecord(Event(2))};
  state().nodes[3].sel = {MakeSelRecord(Event(1))};
  auto output = RunCommand(*command);
  EXPECT_EQ(RenderRoot(*output), "[" + Plain(7) + ", " + Plain(2) + ", " + Plain(1) + "]");
}

TEST_F(SelList, EmptyLogsAndNoNodesGiveAnEmptyList) {
  auto output = RunCommand(*command);
  EXPECT_EQ(RenderRoot(*output), "[]");
  state().devices = {2};
  output = RunCommand(*command);
  EXPECT_EQ(RenderRoot(*output), "[]");
  EXPECT_TRUE(Errors(*output).empty());
}

TEST_F(SelList, FailedInitialisationLetsTheSelCheckDecide) {
  state().nodes[0].initResult = 1;
  state().nodes[0].sel = {MakeSelRecord(Event(1))};
  auto output = RunCommand(*command, {{}, {{"node", "0"}}});
  EXPECT_TRUE(Errors(*output).empty());
  EXPECT_EQ(RenderRoot(*output), "[]");  // no node is current, the library has no records
  EXPECT_EQ(CallTexts("IpmiIfc"),
            (std::vector<std::string>{"IpmiIfcOpenIpmiOpen(0)", "IpmiIfcInitForCLI(0)",
                                      "IpmiIfcOpenIpmiClose(0)", "IpmiIfcSelGetInfo(0,ptr)"}));

  FakeIpmi::Reset();
  state().nodes[0].initResult = 1;
  state().nodes[0].selInfoResult = -1;
  output = RunCommand(*command, {{}, {{"node", "0"}}});
  EXPECT_EQ(Errors(*output),
            (std::vector<std::string>{"Unable to get IPMI System Event Log data : No records or "
                                      "incompatible version or read failed :"}));
}

// Nodes 0, 1 and 2; node 1 fails. Records the failing node added before the
// failure stay under ignore-missing.
TEST_F(SelList, FailureOfTheSecondNode) {
  const std::string first = "[" + Plain(1) + "]";
  ExpectFailures(
      *command,
      [] {
        state().nodes[0].sel = {MakeSelRecord(Event(1))};
        state().nodes[1].sel = {MakeSelRecord(Event(5)), MakeSelRecord(Event(6))};
        state().nodes[2].sel = {MakeSelRecord(Event(9))};
      },
      {}, "Unable to get IPMI System Event Log data : ",
      {
          {"open", [] { state().nodes[1].openResult = -1; }, "Access device /dev/ipmi1 failed", first},
          {"sel info", [] { state().nodes[1].selInfoResult = -1; },
           "No records or incompatible version or read failed :", first},
          {"records",
           [] {
             state().throws["getSelData()"] = [] {
               if (state().currentNode == 1) {
                 throw std::runtime_error("reservation lost");
               }
             };
           },
           "reservation lost", first},
          {"second record",
           [] { state().throws["sel6.caption"] = [] { throw ostrelInt::CmpiStatus("bad entry"); }; },
           "bad entry", "[" + Plain(1) + ", " + Plain(5) + "]"},
      });
}

TEST_F(SelList, ForeignExceptionsPassOutAfterCloseAndUnlock) {
  state().nodes[0].sel = {MakeSelRecord(Event(1))};
  state().throws["sel1.recordId"] = [] { throw 42; };
  EXPECT_THROW(RunCommand(*command, {{"ignore-missing"}, {{"node", "0"}}}), int);
  EXPECT_EQ(CallTexts("IpmiIfcCloseForCLI"), (std::vector<std::string>{"IpmiIfcCloseForCLI(0)"}));
}

}  // namespace
