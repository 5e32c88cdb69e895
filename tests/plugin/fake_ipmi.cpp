// The scripted libraries, and the C library calls wrapped at link time:
// /dev/ipmiN exists for N in state().devices; system-log lines are recorded.

#include "fake_ipmi.h"

#include <Kelvo/CallSpec.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "value_text.h"

namespace FakeIpmi {

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

// Records the call and gives the answer.
template <typename T>
T Answer(const std::string& call, T answer) {
  Record(call);
  return answer;
}

}  // namespace FakeIpmi

namespace Ipmi {

pthread_mutex_t IpmiDevGuard = PTHREAD_MUTEX_INITIALIZER;

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

namespace FakeIpmi {

namespace {

using namespace Kelvo::MetaObj;

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

}  // namespace

std::vector<std::string> CallTexts(const std::string& prefix) {
  std::vector<std::string> texts;
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

Outcome Execute(Kelvo::AutoCli::Command& command, const std::set<std::string>& flags,
                const std::map<std::string, std::string>& parameters) {
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

}  // namespace FakeIpmi

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
