// The plug-in against scripted libraries, for what the simulated BMCs cannot show: failures at every
// step, partial results, the order of calls. Each library call is recorded with whether Ipmi::IpmiDevGuard
// was held, then runs state().throws[its text] if there is one. /dev/ipmiN exists for N in state().devices.

#include <HostCtl/Hardware.h>
#include <Ipmi/Ipmi.h>
#include <Kelvo/AutoCli.h>
#include <Kelvo/CallSpec.h>
#include <syslog.h>

#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "bmc/ipmi_bmc_set.h"
#include "common/format.h"
#include "fru/ipmi_fru_get.h"
#include "fru/ipmi_fru_list.h"
#include "sdr/ipmi_sdr_get.h"
#include "sdr/ipmi_sdr_list.h"
#include "sel/ipmi_sel_clear.h"
#include "sel/ipmi_sel_get.h"
#include "sel/ipmi_sel_list.h"
#include "value_text.h"

namespace FakeIpmi {

// An exception outside the standard family.
struct ForeignError {};

// One sensor's answers, by default those of a threshold sensor read at
// 2014-03-05T17:02:44. Its calls are recorded as "sensorN.query".
struct SensorScript {
  std::uint32_t number = 0;
  std::string description;
  Ipmi::Entity entity{7, 1};
  std::uint32_t reading = 200;
  bool scanningDisabled = false;
  bool readingUnavailable = false;
  bool hasHealthState = true;
  bool discrete = false;
  std::string enumeration = "Open";
  double value = 45.0;  // the reading converted
  std::string unit = "C";
  std::string type = "Temp";
  std::optional<std::vector<char>> rawRecord = std::vector<char>{1, 10};
  std::uint64_t readingTimeUsec = 1394038964999999;
};

// One SEL entry's answers; its calls are recorded as "selN.query". The raw
// bytes of the entry are all zero.
struct SelScript {
  int recordId = 0;
  int recordType = 2;
  std::uint32_t timeStamp = 0;
  int eventType = -1;
  std::string caption;
  int sensorNumber = 0;
};

struct NodeScript {
  int sdrInfoResult = 0;
  int fruInstantiateResult = 0;
  int selInfoResult = 0;
  std::vector<std::shared_ptr<Ipmi::IpmiSensor>> sensors;
  std::vector<std::shared_ptr<Ipmi::IpmiFru>> frus;
  std::vector<std::tr1::shared_ptr<Ipmi::IpmiSelData>> sel;
};

struct Call {
  std::string text;
  bool locked;
};

struct State {
  std::set<int> devices;  // the /dev/ipmiN that exist
  std::map<int, NodeScript> nodes;
  std::map<std::string, std::function<void()>> throws;
  std::map<const Ipmi::IpmiFruOptional*, Ipmi::IpmiIfc::Part> parts;
  std::tr1::shared_ptr<Ipmi::IpmiSel> selInfo;
  int currentNode = -1;
  bool osInfoAccepted = true;
  std::vector<Call> calls;
  int failedUnlocks = 0;  // of IpmiDevGuard, which the plug-in did not hold
};

State& state() {
  static State instance;
  return instance;
}

bool DevGuardHeld() {
  if (pthread_mutex_trylock(&Ipmi::IpmiDevGuard) != 0) {
    return true;
  }
  pthread_mutex_unlock(&Ipmi::IpmiDevGuard);
  return false;
}

void Record(const std::string& text) {
  state().calls.push_back(Call{text, DevGuardHeld()});
  if (state().throws.count(text) != 0) {
    state().throws[text]();
  }
}

template <typename T>
T Answer(const std::string& call, T answer) {
  Record(call);
  return answer;
}

}  // namespace FakeIpmi

namespace Ipmi {

pthread_mutex_t IpmiDevGuard = PTHREAD_ERRORCHECK_MUTEX_INITIALIZER_NP;  // unlocking it twice fails

class IpmiSensor::Impl {
 public:
  FakeIpmi::SensorScript script;
};

class IpmiSelData::Impl {
 public:
  FakeIpmi::SelScript script;
};

// A sensor's or SEL record's query, recorded as "sensorN.query" or "selN.query".
#define FAKE_QUERY(Class, prefix, id, Type, Query, field)                                                 \
  Type Class::Query() const {                                                                             \
    return FakeIpmi::Answer(prefix + std::to_string(impl_->script.id) + "." #Query, impl_->script.field); \
  }
#define FAKE_SENSOR(Type, Query, field) FAKE_QUERY(IpmiSensor, "sensor", number, Type, Query, field)
#define FAKE_SEL(Type, Query, field) FAKE_QUERY(IpmiSelData, "sel", recordId, Type, Query, field)

IpmiSensor::IpmiSensor(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
IpmiSensor::~IpmiSensor() = default;
FAKE_SENSOR(bool, scanningDisabled, scanningDisabled)
FAKE_SENSOR(bool, readingStateUnavailable, readingUnavailable)
FAKE_SENSOR(bool, isDiscrete, discrete)
FAKE_SENSOR(std::uint32_t, getSensorNumber, number)
FAKE_SENSOR(std::string, getDescription, description)
FAKE_SENSOR(Entity, getEntity, entity)
FAKE_SENSOR(std::uint32_t, getReading, reading)
FAKE_SENSOR(std::string, convertToEnumeration, enumeration)
FAKE_SENSOR(std::string, getBaseUnitString, unit)
FAKE_SENSOR(std::string, getSensorTypeString, type)
bool IpmiSensor::getHealthState(int& /*healthState*/) const {
  return FakeIpmi::Answer("sensor" + std::to_string(impl_->script.number) + ".getHealthState",
                          impl_->script.hasHealthState);
}
double IpmiSensor::convertRawValue(std::uint32_t raw) const {
  return FakeIpmi::Answer("sensor" + std::to_string(impl_->script.number) + ".convertRawValue",
                          raw == impl_->script.reading ? impl_->script.value : -1.0);
}
void IpmiSensor::RawRecord(const char*& data, int& length) const {
  FakeIpmi::Record("sensor" + std::to_string(impl_->script.number) + ".RawRecord");
  if (impl_->script.rawRecord) {
    data = impl_->script.rawRecord->data();
    length = static_cast<int>(impl_->script.rawRecord->size());
  }
}

IpmiSelData::IpmiSelData(const unsigned char (&entry)[16], std::unique_ptr<Impl> impl)
    : impl_(std::move(impl)) {
  std::copy(entry, entry + 16, raw);
}
IpmiSelData::~IpmiSelData() = default;
FAKE_SEL(int, recordId, recordId)
FAKE_SEL(int, recordType, recordType)
FAKE_SEL(std::uint32_t, messageTimeStamp, timeStamp)
FAKE_SEL(int, eventType, eventType)
FAKE_SEL(std::string, caption, caption)
FAKE_SEL(int, getSensorNumber, sensorNumber)

// A call about one node, recorded as "Function(node)".
#define FAKE_NODE_CALL(Type, Function, answer)                                         \
  Type Function(int node) {                                                            \
    return FakeIpmi::Answer<Type>(#Function "(" + std::to_string(node) + ")", answer); \
  }

FAKE_NODE_CALL(int, IpmiIfcOpenIpmiOpen, 0)
FAKE_NODE_CALL(int, IpmiIfcOpenIpmiClose, 0)
FAKE_NODE_CALL(int, IpmiIfcCloseForCLI, 0)
FAKE_NODE_CALL(int, IpmiIfcSdrGetInfo, FakeIpmi::state().nodes[node].sdrInfoResult)
FAKE_NODE_CALL(int, IpmiIfcFruInstantiateAll, FakeIpmi::state().nodes[node].fruInstantiateResult)
FAKE_NODE_CALL(std::vector<std::shared_ptr<IpmiSensor>>, IpmiIfc::getSensors,
               FakeIpmi::state().nodes[node].sensors)
FAKE_NODE_CALL(SdrRepositoryInfo, IpmiIfc::getSdr, SdrRepositoryInfo{})
FAKE_NODE_CALL(std::vector<std::shared_ptr<IpmiFru>>, IpmiIfc::getFrus, FakeIpmi::state().nodes[node].frus)
FAKE_NODE_CALL(FruDeviceHeaderInfo, IpmiIfc::getFruDeviceHeader, FruDeviceHeaderInfo{})
FAKE_NODE_CALL(int, IpmiIfc::clearSel, 0)

// The node becomes the current one.
int IpmiIfcInitForCLI(int node) {
  FakeIpmi::state().currentNode = node;
  return FakeIpmi::Answer("IpmiIfcInitForCLI(" + std::to_string(node) + ")", 0);
}
int IpmiIfcSelGetInfo(int node, unsigned short* /*entries*/) {
  return FakeIpmi::Answer("IpmiIfcSelGetInfo(" + std::to_string(node) + ")",
                          FakeIpmi::state().nodes[node].selInfoResult);
}
std::tr1::shared_ptr<IpmiSel> GetSelInfo() {
  return FakeIpmi::Answer("GetSelInfo()", FakeIpmi::state().selInfo);
}
IpmiIfc::Part IpmiIfc::getFruPart(const std::tr1::shared_ptr<IpmiFruOptional>& optional) {
  return FakeIpmi::Answer("getFruPart()", FakeIpmi::state().parts[optional.get()]);
}
// The records of the current node.
std::vector<std::tr1::shared_ptr<IpmiSelData>> IpmiIfc::getSelData() {
  return FakeIpmi::Answer("getSelData()", FakeIpmi::state().nodes[FakeIpmi::state().currentNode].sel);
}
std::int32_t IpmiIfc::GetSelClock() {
  return FakeIpmi::Answer("GetSelClock()", std::int32_t{0});
}
SelInfoRecord IpmiIfc::getRawSelHeader() {
  return FakeIpmi::Answer("getRawSelHeader()", SelInfoRecord{});
}

}  // namespace Ipmi

namespace ostrelInt {

CmpiStatus::CmpiStatus(std::string message) : message_(std::move(message)) {}
CmpiStatus::~CmpiStatus() = default;
const char* CmpiStatus::what() const noexcept {
  return message_.c_str();
}

}  // namespace ostrelInt

namespace HostCtl {
namespace Hardware {

Preparable::~Preparable() = default;
HardwareInfo::~HardwareInfo() = default;

namespace {

using FakeIpmi::Answer;

class FakeHardwareInfo final : public HardwareInfo {
 public:
  ~FakeHardwareInfo() override { FakeIpmi::Record("~HardwareInfo()"); }
  int Prepare() override { return Answer("Prepare()", 0); }
  bool HasBmc() override { return Answer("HasBmc()", true); }
  BmcData GetBmcData() override { return Answer("GetBmcData()", BmcData{}); }
  // The command does not report this answer.
  bool SetBmcOsHostname(const std::string& name) override {
    return Answer("SetBmcOsHostname(" + name + ")", false);
  }
  bool SetBmcOsInfo(const std::string& name, const std::string& version) override {
    return Answer("SetBmcOsInfo(" + name + "," + version + ")", FakeIpmi::state().osInfoAccepted);
  }
};

}  // namespace
}  // namespace Hardware

namespace Host {

std::unique_ptr<Hardware::HardwareInfo> GetHardwareInfo() {
  return FakeIpmi::Answer("GetHardwareInfo()", std::make_unique<Hardware::FakeHardwareInfo>());
}

}  // namespace Host
}  // namespace HostCtl

extern "C" {

int __real_access(const char* path, int mode);

int __wrap_access(const char* path, int mode) {
  static const char kDevice[] = "/dev/ipmi";
  if (std::strncmp(path, kDevice, sizeof(kDevice) - 1) != 0) {
    return __real_access(path, mode);
  }
  for (int node : FakeIpmi::state().devices) {
    if (path + sizeof(kDevice) - 1 == std::to_string(node)) {
      return 0;
    }
  }
  return -1;
}

int __real_pthread_mutex_unlock(pthread_mutex_t* mutex);

int __wrap_pthread_mutex_unlock(pthread_mutex_t* mutex) {
  const int rc = __real_pthread_mutex_unlock(mutex);
  FakeIpmi::state().failedUnlocks += rc != 0 && mutex == &Ipmi::IpmiDevGuard;
  return rc;
}

void __wrap_syslog(int priority, const char* format, ...) {
  FakeIpmi::Record("syslog(" + std::to_string(priority) + "," + format + ")");
}

void __wrap___syslog_chk(int priority, int /*flag*/, const char* format, ...) {
  __wrap_syslog(priority, format);
}

// The host program's fatal-error hook, which the string library calls.
void Panic(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::vfprintf(stderr, format, args);
  va_end(args);
  std::abort();
}

}  // extern "C"

namespace {

using namespace OstrelCli::Hardware;
using namespace FakeIpmi;
using namespace Kelvo::MetaObj;
using Strings = std::vector<std::string>;
using Optional = std::tr1::shared_ptr<Ipmi::IpmiFruOptional>;

const char kTime[] = "2014-03-05T17:02:44";
const std::uint32_t kSeconds = 1394038964;  // kTime

// The recorded call texts that start with prefix.
Strings CallTexts(const std::string& prefix = "") {
  Strings texts;
  for (const Call& call : state().calls) {
    if (call.text.compare(0, prefix.size(), prefix) == 0) {
      texts.push_back(call.text);
    }
  }
  return texts;
}

std::shared_ptr<Ipmi::IpmiSensor> MakeSensor(SensorScript script) {
  auto sensor = std::make_shared<Ipmi::IpmiSensor>(std::make_unique<Ipmi::IpmiSensor::Impl>());
  sensor->readingTimeUsec = script.readingTimeUsec;
  sensor->impl().script = std::move(script);
  return sensor;
}

std::tr1::shared_ptr<Ipmi::IpmiSelData> MakeSelRecord(const SelScript& script) {
  const unsigned char raw[16] = {};
  std::tr1::shared_ptr<Ipmi::IpmiSelData> record(
      new Ipmi::IpmiSelData(raw, std::make_unique<Ipmi::IpmiSelData::Impl>()));
  record->impl().script = script;
  return record;
}

// A value on one line: structures as {a|b}, list items joined by ",".
std::string Render(const MetaValue& value) {
  if (Kelvo::Format::IsScalar(value)) {
    return Kelvo::Format::ScalarText(value);
  }
  std::string text;
  const char* separator = "";
  if (value.GetKind() == MetaKind::List) {
    for (const auto& item : static_cast<const MetaList&>(value).GetItems()) {
      text += separator + Render(*item);
      separator = ",";
    }
    return text;
  }
  for (const auto& field : static_cast<const MetaStruct&>(value).GetFields()) {
    text += separator + Render(*field.second);
    separator = "|";
  }
  return "{" + text + "}";
}

struct Outcome {
  Strings errors;
  std::string root;  // rendered, or "(none)"
  std::string keys;  // of a list of structures: the first field of every item, joined by ","
};

// The command run as the framework runs it.
Outcome Execute(Kelvo::AutoCli::Command& command, const std::set<std::string>& flags = {},
                const std::map<std::string, std::string>& parameters = {}) {
  auto input = Kelvo::CallSpec::Input::New();
  for (const std::string& flag : flags) {
    input->SetFlag(flag);
  }
  for (const auto& parameter : parameters) {
    input->SetParameter(parameter.first, parameter.second);
  }
  auto output = Kelvo::CallSpec::Output::New();
  command.Execute(input, output);
  const auto root = output->GetRootObject();
  Outcome outcome{output->GetErrorMessages(), root ? Render(*root) : "(none)", ""};
  if (root && root->GetKind() == MetaKind::List) {
    for (const auto& item : static_cast<const MetaList&>(*root).GetItems()) {
      const auto& fields = static_cast<const MetaStruct&>(*item).GetFields();
      outcome.keys += (outcome.keys.empty() ? "" : ",") + Render(*fields.front().second);
    }
  }
  return outcome;
}

// Every test starts from an empty script and must leave the device lock free,
// unlocked once per lock.
class Commands : public ::testing::Test {
 protected:
  void SetUp() override { state() = State(); }
  void TearDown() override {
    EXPECT_FALSE(DevGuardHeld()) << "Ipmi::IpmiDevGuard left locked";
    EXPECT_EQ(state().failedUnlocks, 0) << "Ipmi::IpmiDevGuard unlocked without being held";
  }
};

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

TEST(Format, Texts) {
  auto text = [](long seconds, int size) {
    char buffer[25] = "garbage";
    TimeStamp(buffer, size, seconds);
    return std::string(buffer);
  };
  EXPECT_EQ(text(0x20000000, 25), "N/A");  // up to here: seconds since the controller started
  EXPECT_EQ(text(0x20000001, 25), "1987-01-05T18:48:33");
  EXPECT_EQ(text(0x20000001, 5), "");  // too short for the text
  EXPECT_EQ(text(0x20000001, 0), "garbage");
  char version[12] = "garbage";
  EXPECT_STREQ(VersionToString(version, 0, 0x51), "garbage");
  EXPECT_STREQ(VersionToString(version, 5, 0x51), "0x51");
  EXPECT_STREQ(VersionToString(version, 12, 0x51), "0x51 (1.5)");
  const std::pair<int, const char*> severities[] = {
      {-1, "Unknown"}, {1, "Other"}, {7, "Fatal/NonRecoverable"}, {8, "Unknown"}};
  for (const auto& [severity, name] : severities)
    EXPECT_STREQ(SeverityToString(severity), name) << severity;
  EXPECT_STREQ(RecordTypeToString(0x02), "System Event");
  EXPECT_STREQ(RecordTypeToString(0xc0), "OEM Timestamped");
}

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
      {"sel clear", fails(&NodeScript::selInfoResult), noRecords, "true"},
      {"fru list", fails(&NodeScript::sdrInfoResult), noSdr, "0.1,0.2"},
      {"fru list", fails(&NodeScript::fruInstantiateResult),
       "Retrieve FRU data from driver failed :", "0.1,0.2"},
      {"fru get", fails(&NodeScript::sdrInfoResult), noSdr, "{||||}"},
      {"fru get", fails(&NodeScript::fruInstantiateResult), "Retrieve FRU data failed :", "{||||}"},
      {"sel get", [] { state().selInfo.reset(); }, "No SEL configuration was retrieved from IPMI controller.",
       "{|||||||||}"},
  };
  for (const auto& point : points) {
    for (bool ignoreMissing : {false, true}) {
      state() = State();
      PopulateNodes();
      point.script();
      const Outcome outcome = Execute(*NewCommand(point.command),
                                      ignoreMissing ? std::set<std::string>{"include-raw", "ignore-missing"}
                                                    : std::set<std::string>{"include-raw"});
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

// The host name goes first, and only when it is given; the answer is the OS information's.
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
