#pragma once
// A scripted stand-in for the IPMI access library and the host-control
// library. A test fills FakeIpmi::state() with what each call answers; every
// call is recorded in order with its arguments and with whether
// Ipmi::IpmiDevGuard was held at the time.

#include <HostCtl/Hardware.h>
#include <Ipmi/Ipmi.h>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace FakeIpmi {

// Raised in a scripted place when a test wants an exception outside the
// standard family.
struct ForeignError {
  std::string what;
};

using Thrower = std::function<void()>;

struct Call {
  std::string text;
  bool lockHeld;
};

// One sensor's answers. A query named in throws runs its thrower after the
// call has been recorded.
struct SensorScript {
  std::uint32_t number = 0;
  std::string description;
  Ipmi::Entity entity;
  std::uint32_t reading = 0;
  bool scanningDisabled = false;
  bool readingUnavailable = false;
  bool hasHealthState = true;
  bool discrete = false;
  std::string enumeration;
  double value = 0.0;
  std::string unit;
  std::string type;
  std::optional<std::vector<char>> rawRecord;
  std::uint64_t readingTimeUsec = 0;
  std::map<std::string, Thrower> throws;
};

// One SEL entry's answers.
struct SelScript {
  unsigned char raw[16] = {};
  int recordId = 0;
  int recordType = 2;
  std::uint32_t timeStamp = 0;
  int eventType = -1;
  std::string caption;
  int sensorNumber = 0;
  std::map<std::string, Thrower> throws;
};

// What the library answers for one node.
struct NodeScript {
  int openResult = 0;
  int initResult = 0;
  int sdrInfoResult = 0;
  int fruInstantiateResult = 0;
  int selInfoResult = 0;
  std::vector<std::shared_ptr<Ipmi::IpmiSensor>> sensors;
  Ipmi::SdrRepositoryInfo sdr{};
  std::vector<std::shared_ptr<Ipmi::IpmiFru>> frus;
  Ipmi::FruDeviceHeaderInfo fruHeader{};
  std::vector<std::tr1::shared_ptr<Ipmi::IpmiSelData>> sel;
};

struct HostScript {
  bool hasBmc = true;
  HostCtl::Hardware::BmcData bmc;
  bool hostnameResult = true;
  bool osInfoResult = true;
};

struct State {
  std::set<int> devices;  // /dev/ipmiN that exist
  std::map<int, NodeScript> nodes;
  // Keyed by the recorded call text ("getSensors(1)", "HasBmc()", ...).
  std::map<std::string, Thrower> throws;
  std::map<const Ipmi::IpmiFruOptional*, Ipmi::IpmiIfc::Part> parts;
  std::tr1::shared_ptr<Ipmi::IpmiSel> selInfo;
  std::int32_t selClock = 0;
  Ipmi::SelInfoRecord rawSelHeader{};
  int rawSelHeaderCalls = 0;
  std::vector<int> cleared;
  int currentNode = -1;
  HostScript host;
  std::vector<Call> calls;
};

State& state();
// Forgets every script and every recorded call.
void Reset();

// Records a call and runs its scripted thrower, if any.
void Record(const std::string& text);
// The recorded call texts, all of them or those starting with prefix.
std::vector<std::string> CallTexts(const std::string& prefix = "");
// Whether Ipmi::IpmiDevGuard is held right now (by anyone).
bool DevGuardHeld();

std::shared_ptr<Ipmi::IpmiSensor> MakeSensor(SensorScript script);
std::tr1::shared_ptr<Ipmi::IpmiSelData> MakeSelRecord(SelScript script);

}  // namespace FakeIpmi
