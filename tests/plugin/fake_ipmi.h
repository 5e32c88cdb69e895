#pragma once
// Scripted IPMI access and host-control libraries, and commands run as the
// framework runs them. Every call is recorded with whether Ipmi::IpmiDevGuard
// was held; a call whose text is a key of state().throws then runs that.

#include <HostCtl/Hardware.h>
#include <Ipmi/Ipmi.h>
#include <Kelvo/AutoCli.h>

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

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
};

State& state();
void Record(const std::string& text);
// The recorded call texts that start with prefix.
std::vector<std::string> CallTexts(const std::string& prefix = "");
bool DevGuardHeld();
std::shared_ptr<Ipmi::IpmiSensor> MakeSensor(SensorScript script);
std::tr1::shared_ptr<Ipmi::IpmiSelData> MakeSelRecord(const SelScript& script);

struct Outcome {
  std::vector<std::string> errors;
  // The root on one line: structures as {a|b}, list items joined by ","; or "(none)".
  std::string root;
  // Of a list of structures: the first field of every item, joined by ",".
  std::string keys;
};

Outcome Execute(Kelvo::AutoCli::Command& command, const std::set<std::string>& flags = {},
                const std::map<std::string, std::string>& parameters = {});

// Every test starts from an empty script and must leave the device lock free.
class CommandTest : public ::testing::Test {
 protected:
  void SetUp() override { state() = State(); }
  void TearDown() override { EXPECT_FALSE(DevGuardHeld()) << "Ipmi::IpmiDevGuard left locked"; }
};

}  // namespace FakeIpmi
