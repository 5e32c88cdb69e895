// The plug-in against the scripted libraries, for what the simulated BMCs of
// the end-to-end tests cannot show: failures at every step, partial results,
// the order of calls, the edges of value texts. Roots read as {field|...},
// list items joined by ",".

#include "bmc/ipmi_bmc_set.h"
#include "common/format.h"
#include "fake_ipmi.h"
#include "fru/ipmi_fru_get.h"
#include "fru/ipmi_fru_list.h"
#include "sdr/ipmi_sdr_get.h"
#include "sdr/ipmi_sdr_list.h"
#include "sel/ipmi_sel_clear.h"
#include "sel/ipmi_sel_get.h"
#include "sel/ipmi_sel_list.h"

#include <syslog.h>

namespace {

using namespace OstrelCli::Hardware;
using namespace FakeIpmi;
using Strings = std::vector<std::string>;
using Optional = std::tr1::shared_ptr<Ipmi::IpmiFruOptional>;

const char kTime[] = "2014-03-05T17:02:44";
const std::uint32_t kSeconds = 1394038964;  // kTime

SensorScript Sensor(std::uint32_t number) {
  return {number, "T" + std::to_string(number)};
}

// A FRU descriptor with the given areas present, each holding bytes, and
// its texts under the name type.
Optional Areas(const char* type, bool chassis, bool board, bool product) {
  Optional optional(new Ipmi::IpmiFruOptional);
  optional->hasChassis = chassis;
  optional->hasBoard = board;
  optional->hasProduct = product;
  optional->chassisArea = Ipmi::FruAreaData::FromBytes({0x0c, 0x01});
  optional->boardArea = Ipmi::FruAreaData::FromBytes({0x0b});
  optional->productArea = Ipmi::FruAreaData::FromBytes({0x0a, static_cast<char>(0xff)});
  state().parts[optional.get()] = {type, "CN", "cp", "cs", "cc", "BN", "BM", "BT",
                                   "BS", "BP", "PN", "PM", "PP", "PV", "PS", "PA"};
  return optional;
}

std::shared_ptr<Kelvo::AutoCli::Command> NewCommand(const std::string& name) {
  return std::map<std::string, std::shared_ptr<Kelvo::AutoCli::Command>>{
      {"sdr list", IpmiSdrList::New()}, {"sdr get", IpmiSdrGet::New()},     {"sel list", IpmiSelList::New()},
      {"sel get", IpmiSelGet::New()},   {"sel clear", IpmiSelClear::New()}, {"fru list", IpmiFruList::New()},
      {"fru get", IpmiFruGet::New()},   {"bmc set", IpmiBmcSet::New()}}
      .at(name);
}

// Nodes 0, 1 and 2 exist, each with two sensors, SEL records and FRUs.
void PopulateNodes() {
  state().devices = {0, 1, 2};
  for (int n : state().devices) {
    for (int i : {1, 2}) {
      state().nodes[n].sensors.push_back(MakeSensor(Sensor(n * 10 + i)));
      state().nodes[n].sel.push_back(MakeSelRecord({n * 10 + i, 2, kSeconds, 6, "M", 48}));
      state().nodes[n].frus.push_back(std::make_shared<Ipmi::IpmiFru>(
          Ipmi::Entity{std::uint32_t(n), std::uint32_t(i)}, std::vector{Areas("F", true, false, false)}));
    }
  }
  state().selInfo.reset(new Ipmi::IpmiSel(Ipmi::IpmiSel::Fields{}));
}

// The edges of the value texts, where the end-to-end tests do not reach.
TEST(Format, Texts) {
  const std::pair<long, const char*> times[] = {
      {0, "N/A"},
      {0x20000000, "N/A"},  // up to here: seconds since the controller started
      {0x20000001, "1987-01-05T18:48:33"},
  };
  for (const auto& t : times) {
    char buffer[25] = "garbage";
    TimeStamp(buffer, sizeof(buffer), t.first);
    EXPECT_STREQ(buffer, t.second) << t.first;
  }
  char cut[8] = "garbage";
  TimeStamp(cut, 5, 0x20000001);  // too short for the text
  EXPECT_STREQ(cut, "");
  for (int severity : {-1, 0, 8}) {
    EXPECT_STREQ(SeverityToString(severity), "Unknown") << severity;
  }
}

class Commands : public CommandTest {};

// A run over nodes 0, 1 and 2 fails at node 1. Without ignore-missing there
// is one message and no result; with it no message and the result gathered
// so far. Node 2 is never opened, whatever was opened is closed, and the
// library is used under the device lock (the SEL clock aside).
TEST_F(Commands, FailureOfTheSecondNode) {
  auto fails = [](int NodeScript::*result) { return [result] { state().nodes[1].*result = -1; }; };
  auto throwAt = [](const char* call) {
    return [call] { state().throws[call] = [] { throw ostrelInt::CmpiStatus("thrown"); }; };
  };
  const char* noRecords = "No records or incompatible version or read failed :";
  const char* noSdr = "No SDR records or incompatible version or read failed :";
  const struct {
    const char* command;
    std::function<void()> script;
    std::string message;
    std::string partial;  // the keys of a list, else the root
  } points[] = {
      {"sdr list", fails(&NodeScript::sdrInfoResult), noRecords, "0.2,0.1"},
      {"sdr list", throwAt("sensor11.getHealthState"), "thrown", "0.2,0.1,1.12"},
      {"sdr get", fails(&NodeScript::sdrInfoResult), "Read SDR configuration failed for node: 1",
       "{|||||||}"},
      {"sel list", fails(&NodeScript::selInfoResult), noRecords, "1,2"},
      {"sel list", throwAt("sel12.caption"), "thrown", "1,2,11"},
      {"sel clear", fails(&NodeScript::selInfoResult), noRecords, "true"},
      {"fru list", fails(&NodeScript::sdrInfoResult), noSdr, "0.1,0.2"},
      {"fru list", fails(&NodeScript::fruInstantiateResult),
       "Retrieve FRU data from driver failed :", "0.1,0.2"},
      {"fru get", fails(&NodeScript::sdrInfoResult), noSdr, "{||||}"},
      {"fru get", fails(&NodeScript::fruInstantiateResult), "Retrieve FRU data failed :", "{||||}"},
      {"sel get", [] { state().selInfo.reset(); }, "No SEL configuration was retrieved from IPMI controller.",
       "{|||||||||}"},
      {"sel get", throwAt("getRawSelHeader()"), "thrown", "{|||||||||}"},
  };
  for (const auto& point : points) {
    for (bool ignoreMissing : {false, true}) {
      state() = State();
      PopulateNodes();
      point.script();
      std::set<std::string> flags{"include-raw"};
      if (ignoreMissing) {
        flags.insert("ignore-missing");
      }
      const Outcome outcome = Execute(*NewCommand(point.command), flags);
      const std::string where = point.command + (": " + point.message) + (ignoreMissing ? " ignored" : "");
      if (ignoreMissing) {
        EXPECT_EQ(outcome.errors, Strings{}) << where;
        EXPECT_EQ(outcome.keys.empty() ? outcome.root : outcome.keys, point.partial) << where;
      } else {
        ASSERT_EQ(outcome.errors.size(), 1u) << where;
        const std::string& error = outcome.errors[0];
        EXPECT_EQ(error.substr(error.size() - std::min(error.size(), point.message.size())), point.message)
            << where << ": " << error;
        EXPECT_EQ(outcome.root, "(none)") << where;
      }
      EXPECT_EQ(CallTexts("IpmiIfcOpenIpmiOpen(2)"), Strings{}) << where;
      EXPECT_EQ(CallTexts("IpmiIfcInitForCLI").size(), CallTexts("IpmiIfcCloseForCLI").size()) << where;
      EXPECT_FALSE(DevGuardHeld()) << where;
      for (const Call& call : state().calls) {
        EXPECT_TRUE(call.locked || call.text == "GetSelClock()") << where << ": " << call.text;
      }
    }
  }
}

TEST_F(Commands, ForeignExceptionsPassOutAfterCloseAndUnlock) {
  const std::pair<const char*, const char*> points[] = {{"sdr list", "IpmiIfc::getSensors(0)"},
                                                        {"sdr get", "IpmiIfc::getSdr(0)"},
                                                        {"sel list", "getSelData()"},
                                                        {"sel clear", "IpmiIfc::clearSel(0)"},
                                                        {"sel get", "getRawSelHeader()"},
                                                        {"fru list", "IpmiIfc::getFrus(0)"},
                                                        {"fru get", "IpmiIfc::getFruDeviceHeader(0)"},
                                                        {"bmc set", "SetBmcOsInfo(,)"}};
  for (const auto& point : points) {
    state() = State();
    PopulateNodes();
    state().throws[point.second] = [] { throw ForeignError{}; };
    EXPECT_THROW(Execute(*NewCommand(point.first), {"include-raw", "ignore-missing"}, {{"node", "0"}}),
                 ForeignError)
        << point.first;
    EXPECT_EQ(CallTexts("IpmiIfcInitForCLI").size(), CallTexts("IpmiIfcCloseForCLI").size()) << point.first;
    EXPECT_EQ(CallTexts("GetHardwareInfo").size(), CallTexts("~HardwareInfo").size()) << point.first;
    EXPECT_FALSE(DevGuardHeld()) << point.first;
  }
}

// Rows of a node come in reverse library order; a library status while a
// sensor is rendered ends only that sensor's rendering. Sensors that are not
// scanned, have no reading or no health state show only with all sensors.
TEST_F(Commands, SdrList) {
  SensorScript discrete = Sensor(2), notScanned = Sensor(3), unavailable = Sensor(5), noHealth = Sensor(6);
  discrete.discrete = true;
  discrete.rawRecord.reset();
  notScanned.scanningDisabled = true;
  unavailable.readingUnavailable = true;
  noHealth.hasHealthState = false;
  state().throws["sensor4.getReading"] = [] { throw ostrelInt::CmpiStatus("0xcb"); };
  state().nodes[1].sensors = {MakeSensor(Sensor(1)), nullptr,
                              MakeSensor(discrete),  MakeSensor(notScanned),
                              MakeSensor(Sensor(4)), MakeSensor(unavailable),
                              MakeSensor(noHealth)};
  const Outcome outcome = Execute(*IpmiSdrList::New(), {"include-raw"}, {{"node", "1"}});
  EXPECT_EQ(outcome.errors, Strings{});
  EXPECT_EQ(outcome.root, "{1.4|T4|7.1|||||Error: 0xcb|010a|},{1.2|T2|7.1|Open|C|200|Temp|" +
                              std::string(kTime) + "|N/A|},{1.1|T1|7.1|45|C|200|Temp|" + kTime + "|010a|}");
  EXPECT_EQ(Execute(*IpmiSdrList::New(), {"include-all-sensors"}, {{"node", "1"}}).keys,
            "1.6,1.5,1.4,1.3,1.2,1.1");
}

TEST_F(Commands, SelList) {
  state().nodes[0].sel = {MakeSelRecord({1, 2, kSeconds, 6, "M", 48}),
                          std::tr1::shared_ptr<Ipmi::IpmiSelData>(),
                          MakeSelRecord({2, 0xe0, 0, -1, "M", -1})};
  EXPECT_EQ(Execute(*IpmiSelList::New(), {}, {{"node", "0"}}).root,
            "{1|" + std::string(kTime) +
                "|6 (Critical)|2 (System Event)|M|48||},{2|N/A|N/A|224 (OEM Timestamped)|M|-1||}");
}

TEST_F(Commands, SelGetReadsTheClockBeforeTakingTheLock) {
  state().selInfo.reset(new Ipmi::IpmiSel({}));
  Execute(*IpmiSelGet::New());
  ASSERT_EQ(CallTexts(), (Strings{"GetSelClock()", "GetSelInfo()"}));
  EXPECT_FALSE(state().calls[0].locked);
  EXPECT_TRUE(state().calls[1].locked);
}

// Nodes are the devices from /dev/ipmi0 to /dev/ipmi3 that exist.
TEST_F(Commands, SelClearLogsOnceAfterClearingEveryNode) {
  state().devices = {0, 3, 4};
  EXPECT_EQ(Execute(*IpmiSelClear::New()).root, "true");
  EXPECT_EQ(CallTexts("IpmiIfc::clearSel"), (Strings{"IpmiIfc::clearSel(0)", "IpmiIfc::clearSel(3)"}));
  EXPECT_EQ(state().calls.back().text,
            "syslog(" + std::to_string(LOG_WARNING) + ",IPMI SEL Cleared by CLI command)");
}

// Every combination of areas; dumps only of present areas with bytes.
TEST_F(Commands, FruList) {
  Optional emptyAreas = Areas("E", true, true, true);
  emptyAreas->chassisArea = Ipmi::FruAreaData::FromBytes({});
  emptyAreas->boardArea.reset();
  state().nodes[0].frus = {
      nullptr, std::make_shared<Ipmi::IpmiFru>(
                   Ipmi::Entity{7, 1},
                   std::vector{Areas("A", true, true, true), Areas("B", true, false, false), Optional(),
                               Areas("C", false, false, true), Areas("D", false, false, false), emptyAreas})};
  EXPECT_EQ(Execute(*IpmiFruList::New(), {"include-raw"}, {{"node", "0"}}).root,
            "{7.1|A|BN|BP|PV|BM|PS|PA|BT|0c010b0aff||CN|BS},"
            "{7.1|B||||||||0c01||CN|},"
            "{7.1|C|PN|PP|PV|PM|PS|PA||0aff|||},"
            "{7.1|D|||||||||||},"
            "{7.1|E|BN|BP|PV|BM|PS|PA|BT|0aff||CN|BS}");
}

// The host name goes first, and only when it is given; the answer is the OS
// information's.
TEST_F(Commands, BmcSet) {
  EXPECT_EQ(
      Execute(*IpmiBmcSet::New(), {}, {{"os-name", "D"}, {"os-version", "1"}, {"os-hostname", "h"}}).root,
      "true");
  EXPECT_EQ(CallTexts("Set"), (Strings{"SetBmcOsHostname(h)", "SetBmcOsInfo(D,1)"}));
  state() = State();
  state().osInfoAccepted = false;
  EXPECT_EQ(Execute(*IpmiBmcSet::New(), {}, {{"os-name", "D"}}).root, "false");
  EXPECT_EQ(CallTexts("Set"), Strings{"SetBmcOsInfo(D,)"});
}

}  // namespace
