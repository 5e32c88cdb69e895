#include "fake_ipmi.h"

#include <cerrno>
#include <utility>

namespace Ipmi {

pthread_mutex_t IpmiDevGuard = PTHREAD_MUTEX_INITIALIZER;

class IpmiSensor::Impl {
 public:
  explicit Impl(FakeIpmi::SensorScript s) : script(std::move(s)) {}
  // Records the query and throws when the script says so.
  void Query(const char* name) const {
    FakeIpmi::Record("sensor" + std::to_string(script.number) + "." + name);
    auto it = script.throws.find(name);
    if (it != script.throws.end()) {
      it->second();
    }
  }
  FakeIpmi::SensorScript script;
};

IpmiSensor::IpmiSensor(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
IpmiSensor::~IpmiSensor() = default;

bool IpmiSensor::scanningDisabled() const {
  impl_->Query("scanningDisabled");
  return impl_->script.scanningDisabled;
}
bool IpmiSensor::readingStateUnavailable() const {
  impl_->Query("readingStateUnavailable");
  return impl_->script.readingUnavailable;
}
bool IpmiSensor::getHealthState(int& healthState) const {
  impl_->Query(("getHealthState(" + std::to_string(healthState) + ")").c_str());
  healthState = 5;
  return impl_->script.hasHealthState;
}
bool IpmiSensor::isDiscrete() const {
  impl_->Query("isDiscrete");
  return impl_->script.discrete;
}
std::uint32_t IpmiSensor::getSensorNumber() const {
  impl_->Query("getSensorNumber");
  return impl_->script.number;
}
std::string IpmiSensor::getDescription() const {
  impl_->Query("getDescription");
  return impl_->script.description;
}
Entity IpmiSensor::getEntity() const {
  impl_->Query("getEntity");
  return impl_->script.entity;
}
std::uint32_t IpmiSensor::getReading() const {
  impl_->Query("getReading");
  return impl_->script.reading;
}
std::string IpmiSensor::convertToEnumeration() const {
  impl_->Query("convertToEnumeration");
  return impl_->script.enumeration;
}
double IpmiSensor::convertRawValue(std::uint32_t raw) const {
  impl_->Query(("convertRawValue(" + std::to_string(raw) + ")").c_str());
  return impl_->script.value;
}
std::string IpmiSensor::getBaseUnitString() const {
  impl_->Query("getBaseUnitString");
  return impl_->script.unit;
}
std::string IpmiSensor::getSensorTypeString() const {
  impl_->Query("getSensorTypeString");
  return impl_->script.type;
}
void IpmiSensor::RawRecord(const char*& data, int& length) const {
  impl_->Query("RawRecord");
  if (impl_->script.rawRecord) {
    data = impl_->script.rawRecord->data();
    length = static_cast<int>(impl_->script.rawRecord->size());
  }
}

class IpmiSelData::Impl {
 public:
  explicit Impl(FakeIpmi::SelScript s) : script(std::move(s)) {}
  void Query(const char* name) const {
    FakeIpmi::Record("sel" + std::to_string(script.recordId) + "." + name);
    auto it = script.throws.find(name);
    if (it != script.throws.end()) {
      it->second();
    }
  }
  FakeIpmi::SelScript script;
};

IpmiSelData::IpmiSelData(const unsigned char (&entry)[16], std::unique_ptr<Impl> impl)
    : impl_(std::move(impl)) {
  for (int i = 0; i < 16; ++i) {
    raw[i] = entry[i];
  }
}
IpmiSelData::~IpmiSelData() = default;

int IpmiSelData::recordId() const {
  impl_->Query("recordId");
  return impl_->script.recordId;
}
int IpmiSelData::recordType() const {
  impl_->Query("recordType");
  return impl_->script.recordType;
}
std::uint32_t IpmiSelData::messageTimeStamp() const {
  impl_->Query("messageTimeStamp");
  return impl_->script.timeStamp;
}
int IpmiSelData::eventType() const {
  impl_->Query("eventType");
  return impl_->script.eventType;
}
std::string IpmiSelData::caption() const {
  impl_->Query("caption");
  return impl_->script.caption;
}
int IpmiSelData::getSensorNumber() const {
  impl_->Query("getSensorNumber");
  return impl_->script.sensorNumber;
}

namespace {

FakeIpmi::NodeScript& Node(int node) {
  return FakeIpmi::state().nodes[node];
}

std::string WithNode(const char* name, int node) {
  return std::string(name) + "(" + std::to_string(node) + ")";
}

}  // namespace

int IpmiIfcOpenIpmiOpen(int node) {
  FakeIpmi::Record(WithNode("IpmiIfcOpenIpmiOpen", node));
  return Node(node).openResult;
}

int IpmiIfcInitForCLI(int node) {
  FakeIpmi::Record(WithNode("IpmiIfcInitForCLI", node));
  const int result = Node(node).initResult;
  if (result == 0) {
    FakeIpmi::state().currentNode = node;
  }
  return result;
}

int IpmiIfcOpenIpmiClose(int node) {
  FakeIpmi::Record(WithNode("IpmiIfcOpenIpmiClose", node));
  return 0;
}

int IpmiIfcCloseForCLI(int node) {
  FakeIpmi::Record(WithNode("IpmiIfcCloseForCLI", node));
  if (FakeIpmi::state().currentNode == node) {
    FakeIpmi::state().currentNode = -1;
  }
  return 0;
}

int IpmiIfcSdrGetInfo(int node) {
  FakeIpmi::Record(WithNode("IpmiIfcSdrGetInfo", node));
  return Node(node).sdrInfoResult;
}

int IpmiIfcFruInstantiateAll(int node) {
  FakeIpmi::Record(WithNode("IpmiIfcFruInstantiateAll", node));
  return Node(node).fruInstantiateResult;
}

int IpmiIfcSelGetInfo(int node, unsigned short* entries) {
  FakeIpmi::Record("IpmiIfcSelGetInfo(" + std::to_string(node) + (entries ? ",ptr)" : ",null)"));
  if (entries != nullptr) {
    *entries = 0x1234;
  }
  return Node(node).selInfoResult;
}

std::tr1::shared_ptr<IpmiSel> GetSelInfo() {
  FakeIpmi::Record("GetSelInfo()");
  return FakeIpmi::state().selInfo;
}

std::vector<std::shared_ptr<IpmiSensor>> IpmiIfc::getSensors(int node) {
  FakeIpmi::Record(WithNode("getSensors", node));
  return Node(node).sensors;
}

SdrRepositoryInfo IpmiIfc::getSdr(int node) {
  FakeIpmi::Record(WithNode("getSdr", node));
  return Node(node).sdr;
}

std::vector<std::shared_ptr<IpmiFru>> IpmiIfc::getFrus(int node) {
  FakeIpmi::Record(WithNode("getFrus", node));
  return Node(node).frus;
}

IpmiIfc::Part IpmiIfc::getFruPart(const std::tr1::shared_ptr<IpmiFruOptional>& optional) {
  FakeIpmi::Record("getFruPart()");
  return FakeIpmi::state().parts[optional.get()];
}

FruDeviceHeaderInfo IpmiIfc::getFruDeviceHeader(int node) {
  FakeIpmi::Record(WithNode("getFruDeviceHeader", node));
  return Node(node).fruHeader;
}

std::vector<std::tr1::shared_ptr<IpmiSelData>> IpmiIfc::getSelData() {
  FakeIpmi::Record("getSelData()");
  const int node = FakeIpmi::state().currentNode;
  if (node < 0) {
    return {};
  }
  return Node(node).sel;
}

std::int32_t IpmiIfc::GetSelClock() {
  FakeIpmi::Record("GetSelClock()");
  return FakeIpmi::state().selClock;
}

SelInfoRecord IpmiIfc::getRawSelHeader() {
  FakeIpmi::Record("getRawSelHeader()");
  ++FakeIpmi::state().rawSelHeaderCalls;
  return FakeIpmi::state().rawSelHeader;
}

int IpmiIfc::clearSel(int node) {
  FakeIpmi::Record(WithNode("clearSel", node));
  FakeIpmi::state().cleared.push_back(node);
  return 0;
}

}  // namespace Ipmi

namespace ostrelInt {

CmpiStatus::CmpiStatus(std::string message) : message_(std::move(message)) {}
CmpiStatus::~CmpiStatus() = default;
const char* CmpiStatus::what() const noexcept {
  return message_.c_str();
}

}  // namespace ostrelInt

namespace FakeIpmi {

State& state() {
  static State instance;
  return instance;
}

void Reset() {
  state() = State();
}

bool DevGuardHeld() {
  if (pthread_mutex_trylock(&Ipmi::IpmiDevGuard) == 0) {
    pthread_mutex_unlock(&Ipmi::IpmiDevGuard);
    return false;
  }
  return true;
}

void Record(const std::string& text) {
  state().calls.push_back(Call{text, DevGuardHeld()});
  auto it = state().throws.find(text);
  if (it != state().throws.end()) {
    it->second();
  }
}

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
  const std::uint64_t readingTimeUsec = script.readingTimeUsec;
  auto sensor =
      std::make_shared<Ipmi::IpmiSensor>(std::make_unique<Ipmi::IpmiSensor::Impl>(std::move(script)));
  sensor->readingTimeUsec = readingTimeUsec;
  return sensor;
}

std::tr1::shared_ptr<Ipmi::IpmiSelData> MakeSelRecord(SelScript script) {
  unsigned char raw[16];
  for (int i = 0; i < 16; ++i) {
    raw[i] = script.raw[i];
  }
  return std::tr1::shared_ptr<Ipmi::IpmiSelData>(
      new Ipmi::IpmiSelData(raw, std::make_unique<Ipmi::IpmiSelData::Impl>(std::move(script))));
}

}  // namespace FakeIpmi
