// hardware ipmi sdr list against the scripted IPMI library.

#include "command_test.h"
#include "sdr/ipmi_sdr_list.h"

#include <stdexcept>

namespace {

using FakeIpmi::CallTexts;
using FakeIpmi::Invocation;
using FakeIpmi::MakeSensor;
using FakeIpmi::RenderRoot;
using FakeIpmi::RunCommand;
using FakeIpmi::SensorScript;
using FakeIpmi::state;
using OstrelCli::Hardware::IpmiSdrList;

// A temperature sensor whose every query answers.
SensorScript Temperature(std::uint32_t number) {
  SensorScript s;
  s.number = number;
  s.description = "Temp " + std::to_string(number);
  s.entity = {7, 1};
  s.reading = 200;
  s.value = 45.0;
  s.unit = "degrees C";
  s.type = "Temperature";
  s.readingTimeUsec = 1394038964123456ull;
  s.rawRecord = std::vector<char>{0x01, 0x00, 0x51, 0x01, 0x0A};
  return s;
}

// The rendering of one row, fields in structure order.
std::string Row(const std::vector<std::string>& values) {
  static const char* const kFields[] = {"Node-Sensor", "Description",  "Entity-Instance", "Computed Reading",
                                        "Base Unit",   "Raw Reading",  "Sensor Type",     "Timestamp/Comment",
                                        "Raw",         "Formatted-Raw"};
  std::string text = "IpmiSDR{";
  for (std::size_t i = 0; i < values.size(); ++i) {
    text += std::string(i ? ", " : "") + kFields[i] + "=\"" + values[i] + "\"";
  }
  return text + "}";
}

std::string List(const std::vector<std::string>& rows) {
  std::string text = "[";
  for (std::size_t i = 0; i < rows.size(); ++i) {
    text += (i ? ", " : "") + rows[i];
  }
  return text + "]";
}

class SdrList : public FakeIpmi::CommandTest {
 protected:
  std::shared_ptr<IpmiSdrList> command = IpmiSdrList::New();
};

TEST_F(SdrList, RendersEverySensorFieldAndTheDumps) {
  state().devices = {1};
  state().nodes[1].sensors = {MakeSensor(Temperature(48))};
  auto output = RunCommand(*command, {{"include-raw", "include-pretty-raw"}, {}});
  EXPECT_TRUE(Errors(*output).empty());
  EXPECT_EQ(RenderRoot(*output), List({Row({"1.48", "Temp 48", "7.1", "45", "degrees C", "200", "Temperature",
                                            "2014-03-05T17:02:44", "010051010a", "01 00 51 01 0a "})}));
}

TEST_F(SdrList, CallsTheLibraryInOrderUnderTheLock) {
  state().devices = {0};
  state().nodes[0].sensors = {MakeSensor(Temperature(3))};
  RunCommand(*command, {{"include-raw", "include-pretty-raw"}, {}});
  EXPECT_EQ(CallTexts(), (std::vector<std::string>{"access(/dev/ipmi0,0)",
                                                   "access(/dev/ipmi1,0)",
                                                   "access(/dev/ipmi2,0)",
                                                   "access(/dev/ipmi3,0)",
                                                   "IpmiIfcOpenIpmiOpen(0)",
                                                   "IpmiIfcInitForCLI(0)",
                                                   "IpmiIfcSdrGetInfo(0)",
                                                   "getSensors(0)",
                                                   "sensor3.scanningDisabled",
                                                   "sensor3.readingStateUnavailable",
                                                   "sensor3.getHealthState(0)",
                                                   "sensor3.getSensorNumber",
                                                   "sensor3.getDescription",
                                                   "sensor3.getEntity",
                                                   "sensor3.getReading",
                                                   "sensor3.isDiscrete",
                                                   "sensor3.convertRawValue(200)",
                                                   "sensor3.getBaseUnitString",
                                                   "sensor3.getSensorTypeString",
                                                   "sensor3.RawRecord",
                                                   "sensor3.RawRecord",
                                                   "IpmiIfcOpenIpmiClose(0)",
                                                   "IpmiIfcCloseForCLI(0)"}));
  EXPECT_TRUE(CallsWithoutLock().empty());
}

TEST_F(SdrList, RowsOfANodeAreInReverseLibraryOrderAndNodesInOrder) {
  state().devices = {0, 2};
  state().nodes[0].sensors = {MakeSensor(Temperature(1)), nullptr, MakeSensor(Temperature(2)),
                              MakeSensor(Temperature(3))};
  state().nodes[2].sensors = {MakeSensor(Temperature(4))};
  auto output = RunCommand(*command);
  std::vector<std::string> names;
  for (const auto& row :
       std::static_pointer_cast<Kelvo::MetaObj::MetaList>(output->GetRootObject())->GetItems()) {
    names.push_back(FakeIpmi::RenderField(row, "Node-Sensor"));
  }
  EXPECT_EQ(names, (std::vector<std::string>{"\"0.3\"", "\"0.2\"", "\"0.1\"", "\"2.4\""}));
}

TEST_F(SdrList, FiltersHiddenSensorsUnlessAllAreAsked) {
  struct Case {
    const char* name;
    bool scanningDisabled, readingUnavailable, hasHealthState;
    bool shown;
    std::vector<std::string> filterCalls;  // with the filter on
  };
  const Case cases[] = {
      {"shown",
       false,
       false,
       true,
       true,
       {"sensor9.scanningDisabled", "sensor9.readingStateUnavailable", "sensor9.getHealthState(0)"}},
      {"scanning disabled", true, false, true, false, {"sensor9.scanningDisabled"}},
      {"reading unavailable",
       false,
       true,
       true,
       false,
       {"sensor9.scanningDisabled", "sensor9.readingStateUnavailable"}},
      {"no health state",
       false,
       false,
       false,
       false,
       {"sensor9.scanningDisabled", "sensor9.readingStateUnavailable", "sensor9.getHealthState(0)"}},
      {"everything missing", true, true, false, false, {"sensor9.scanningDisabled"}},
  };
  for (const Case& c : cases) {
    for (bool all : {false, true}) {
      FakeIpmi::Reset();
      SensorScript s = Temperature(9);
      s.scanningDisabled = c.scanningDisabled;
      s.readingUnavailable = c.readingUnavailable;
      s.hasHealthState = c.hasHealthState;
      state().nodes[0].sensors = {MakeSensor(s)};
      Invocation invocation{{}, {{"node", "0"}}};
      if (all) {
        invocation.flags.insert("include-all-sensors");
      }
      auto output = RunCommand(*command, invocation);
      const auto& list = static_cast<const Kelvo::MetaObj::MetaList&>(*output->GetRootObject());
      EXPECT_EQ(list.Size(), (all || c.shown) ? 1u : 0u) << c.name << " all=" << all;
      std::vector<std::string> filters;
      for (const std::string& call : CallTexts("sensor9.")) {
        if (call == "sensor9.scanningDisabled" || call == "sensor9.readingStateUnavailable" ||
            call == "sensor9.getHealthState(0)") {
          filters.push_back(call);
        }
      }
      // With all sensors shown, only the health query is made, and it is made.
      EXPECT_EQ(filters, all ? std::vector<std::string>{"sensor9.getHealthState(0)"} : c.filterCalls)
          << c.name << " all=" << all;
    }
  }
}

TEST_F(SdrList, ComputedReadingAndRawDumpsPerSensorKind) {
  struct Case {
    bool discrete;
    double value;
    std::optional<std::vector<char>> raw;
    const char* computed;
    const char* rawText;
    const char* prettyText;
  };
  const Case cases[] = {
      {false, 45.0, std::vector<char>{0x0A}, "45", "0a", "0a "},
      {false, 0.125, std::nullopt, "0.125", "N/A", "N/A"},
      {false, 1234567.0, std::vector<char>{0x10, 0x20}, "1.23457e+06", "1020", "10 20 "},
      {false, -3.5, std::nullopt, "-3.5", "N/A", "N/A"},
      {true, 99.0, std::nullopt, "State Asserted", "N/A", "N/A"},
  };
  for (const Case& c : cases) {
    FakeIpmi::Reset();
    SensorScript s = Temperature(5);
    s.discrete = c.discrete;
    s.value = c.value;
    s.enumeration = "State Asserted";
    s.rawRecord = c.raw;
    state().nodes[0].sensors = {MakeSensor(s)};
    auto output = RunCommand(*command, {{"include-raw", "include-pretty-raw"}, {{"node", "0"}}});
    EXPECT_EQ(RenderRoot(*output),
              List({Row({"0.5", "Temp 5", "7.1", c.computed, "degrees C", "200", "Temperature",
                         "2014-03-05T17:02:44", c.rawText, c.prettyText})}))
        << c.computed;
    EXPECT_EQ(CallTexts(c.discrete ? "sensor5.convertRawValue" : "sensor5.convertToEnumeration").size(), 0u);
  }
}

TEST_F(SdrList, DumpsStayEmptyWithoutTheirFlagsAndTimeZeroIsNotAvailable) {
  SensorScript s = Temperature(6);
  s.readingTimeUsec = 0;
  state().nodes[0].sensors = {MakeSensor(s)};
  auto output = RunCommand(*command, {{}, {{"node", "0"}}});
  EXPECT_EQ(RenderRoot(*output),
            List({Row({"0.6", "Temp 6", "7.1", "45", "degrees C", "200", "Temperature", "N/A", "", ""})}));
  EXPECT_TRUE(CallTexts("sensor6.RawRecord").empty());
}

TEST_F(SdrList, ALibraryStatusEndsOnlyThatSensorsRendering) {
  struct Case {
    const char* query;
    std::vector<std::string> filled;  // the first fields, before the comment
  };
  const Case cases[] = {
      {"getSensorNumber", {}},
      {"getDescription", {"0.7"}},
      {"getEntity", {"0.7", "Temp 7"}},
      {"getReading", {"0.7", "Temp 7", "7.1"}},
      {"isDiscrete", {"0.7", "Temp 7", "7.1"}},
      {"convertRawValue(200)", {"0.7", "Temp 7", "7.1"}},
      {"getBaseUnitString", {"0.7", "Temp 7", "7.1", "45"}},
      {"getSensorTypeString", {"0.7", "Temp 7", "7.1", "45", "degrees C", "200"}},
  };
  for (const Case& c : cases) {
    FakeIpmi::Reset();
    SensorScript broken = Temperature(7);
    broken.throws[c.query] = [] { throw ostrelInt::CmpiStatus("node 0: Get Sensor Reading: 0xcb"); };
    state().nodes[0].sensors = {MakeSensor(Temperature(8)), MakeSensor(broken), MakeSensor(Temperature(6))};
    auto output = RunCommand(*command, {{"include-raw"}, {{"node", "0"}}});
    std::vector<std::string> values = c.filled;
    values.resize(7);
    values.push_back("Error: node 0: Get Sensor Reading: 0xcb");
    values.push_back("010051010a");
    values.push_back("");
    EXPECT_TRUE(Errors(*output).empty()) << c.query;
    EXPECT_EQ(RenderRoot(*output), List({Row({"0.6", "Temp 6", "7.1", "45", "degrees C", "200", "Temperature",
                                              "2014-03-05T17:02:44", "010051010a", ""}),
                                         Row(values),
                                         Row({"0.8", "Temp 8", "7.1", "45", "degrees C", "200", "Temperature",
                                              "2014-03-05T17:02:44", "010051010a", ""})}))
        << c.query;
  }
}

TEST_F(SdrList, FormatterOptionChangesTheDefaultOrIsReported) {
  state().nodes[0].sensors = {MakeSensor(Temperature(1))};
  EXPECT_EQ(command->GetDefaultOutputFormatter(), "table");

  auto output = RunCommand(*command, {{}, {{"node", "0"}, {"formatter", "Table"}}});
  EXPECT_EQ(Errors(*output),
            (std::vector<std::string>{"Invalid formatter: Table, please set formatter to simple|table"}));
  EXPECT_EQ(static_cast<const Kelvo::MetaObj::MetaList&>(*output->GetRootObject()).Size(), 1u);
  EXPECT_EQ(command->GetDefaultOutputFormatter(), "table");

  output = RunCommand(*command, {{}, {{"node", "0"}, {"formatter", "simple"}}});
  EXPECT_TRUE(Errors(*output).empty());
  EXPECT_EQ(command->GetDefaultOutputFormatter(), "simple");
  output = RunCommand(*command, {{}, {{"node", "0"}}});
  EXPECT_EQ(command->GetDefaultOutputFormatter(), "simple");  // stays for later runs
  output = RunCommand(*command, {{}, {{"node", "0"}, {"formatter", ""}}});
  EXPECT_EQ(Errors(*output),
            (std::vector<std::string>{"Invalid formatter: , please set formatter to simple|table"}));
  output = RunCommand(*command, {{}, {{"node", "0"}, {"formatter", "table"}}});
  EXPECT_EQ(command->GetDefaultOutputFormatter(), "table");
}

TEST_F(SdrList, NoNodeGivesAnEmptyListAndNoError) {
  auto output = RunCommand(*command);
  EXPECT_EQ(RenderRoot(*output), "[]");
  EXPECT_TRUE(Errors(*output).empty());
  EXPECT_TRUE(CallTexts("IpmiIfc").empty());
}

// Three nodes; the second fails at one point. Rows the failing node appended
// before the failure stay under ignore-missing.
TEST_F(SdrList, FailureOfTheSecondNode) {
  auto throwAt = [](const char* call, auto error) {
    return [call, error] { state().throws[call] = [error] { throw error; }; };
  };
  const std::runtime_error broke("library broke");
  const std::string first = Row({"0.1", "Temp 1", "7.1", "45", "degrees C", "200", "Temperature",
                                 "2014-03-05T17:02:44", "010051010a", ""});
  const std::string partial = Row({"1.11", "Temp 11", "7.1", "45", "degrees C", "200", "Temperature",
                                   "2014-03-05T17:02:44", "010051010a", ""});
  auto setUp = [] {
    state().nodes[0].sensors = {MakeSensor(Temperature(1))};
    state().nodes[1].sensors = {MakeSensor(Temperature(12)), MakeSensor(Temperature(11))};
    state().nodes[2].sensors = {MakeSensor(Temperature(21))};
  };
  ExpectFailures(
      *command, setUp, {{"include-raw"}, {}}, "Unable to get IPMI Sensor data : ",
      {
          {"open", [] { state().nodes[1].openResult = -1; }, "Access device /dev/ipmi1 failed",
           List({first})},
          {"sdr info", [] { state().nodes[1].sdrInfoResult = -1; },
           "No records or incompatible version or read failed :", List({first})},
          {"get sensors", throwAt("getSensors(1)", broke), "library broke", List({first})},
          {"filter of the second sensor", throwAt("sensor12.scanningDisabled", broke), "library broke",
           List({first, partial})},
          {"raw record", throwAt("sensor12.RawRecord", broke), "library broke", List({first, partial})},
          {"status outside rendering",
           throwAt("sensor12.getHealthState(0)", ostrelInt::CmpiStatus("no health")), "no health",
           List({first, partial})},
      });
}

TEST_F(SdrList, ForeignExceptionsPassOutAfterCloseAndUnlock) {
  state().nodes[3].sensors = {MakeSensor(Temperature(1))};
  state().throws["sensor1.getDescription"] = [] { throw FakeIpmi::ForeignError{"not standard"}; };
  EXPECT_THROW(RunCommand(*command, {{"ignore-missing"}, {{"node", "3"}}}), FakeIpmi::ForeignError);
  EXPECT_EQ(CallTexts("IpmiIfcCloseForCLI"), (std::vector<std::string>{"IpmiIfcCloseForCLI(3)"}));
}

}  // namespace
