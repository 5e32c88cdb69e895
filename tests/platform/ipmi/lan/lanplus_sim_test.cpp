// The RMCP+ transport against ipmi_sim serving a captured server.

#include "support/simulated_bmc.h"
#include "transport/completion_code.h"
#include "transport/lanplus_transport.h"
#include "wire/payload.h"

#include <Ipmi/CmpiStatus.h>

#include <gtest/gtest.h>

namespace marlek {
namespace {

constexpr std::uint8_t kGetDeviceId = 0x01;
constexpr std::uint8_t kGetSensorReading = 0x2d;
constexpr std::uint8_t kGetSdrRepositoryInfo = 0x20;

Request AppRequest(std::uint8_t command, Target target = {}) {
  Request r;
  r.netFn = netfn::kApp;
  r.command = command;
  r.target = target;
  return r;
}

Request SensorReading(std::uint8_t sensor) {
  Request r;
  r.netFn = netfn::kSensorEvent;
  r.command = kGetSensorReading;
  r.data = {sensor};
  return r;
}

struct DeviceIdentity {
  std::uint8_t deviceId;
  std::uint32_t manufacturer;
  std::uint16_t product;
};

DeviceIdentity DecodeDeviceId(const Response& r) {
  PayloadReader in(r.data, "Get Device ID response");
  DeviceIdentity id{};
  id.deviceId = in.U8();
  in.Skip(5);
  id.manufacturer = in.U24le();
  id.product = in.U16le();
  return id;
}

class LanPlusSimTest : public testing::SuiteSimulatorTest {
 protected:
  static void SetUpTestSuite() { StartSuiteSimulator("quanta_d51.emu"); }

  static LanConfig Config(int suite = 3) {
    LanConfig c;
    c.host = "127.0.0.1";
    c.port = sim_->Port(0);
    c.username = "admin";
    c.password = sim_->Password();
    c.cipherSuite = suite;
    c.options.timeout = std::chrono::milliseconds(1000);
    return c;
  }
};

TEST_F(LanPlusSimTest, SessionsOfEachSupportedSuiteReachTheBmc) {
  for (int suite : {3, 2, 1}) {
    SCOPED_TRACE("cipher suite " + std::to_string(suite));
    auto transport = LanPlusTransport::Open(Config(suite));
    const auto sent = std::chrono::system_clock::now();
    const Response r = transport->Send(AppRequest(kGetDeviceId));
    EXPECT_GE(r.receivedUsec,
              std::chrono::duration_cast<std::chrono::microseconds>(sent.time_since_epoch()).count());
    ASSERT_TRUE(r.Ok()) << DescribeCompletionCode(r.completionCode);
    const DeviceIdentity id = DecodeDeviceId(r);
    EXPECT_EQ(id.deviceId, 0x20);
    EXPECT_EQ(id.manufacturer, 0x1c4cu);
    EXPECT_EQ(id.product, 0x3242);
  }
}

TEST_F(LanPlusSimTest, CipherSuiteSeventeenWhenTheBmcOffersIt) {
  const std::string probe = "ipmitool -I lanplus -C 17 -H 127.0.0.1 -p " + std::to_string(sim_->Port(0)) +
                            " -U admin -f " + sim_->PasswordFile() + " raw 6 1 >/dev/null 2>&1";
  if (std::system(probe.c_str()) != 0) {
    // The peer cannot open a suite 17 session either: ours must fail clearly.
    try {
      LanPlusTransport::Open(Config(17));
      FAIL() << "a suite 17 session opened where the BMC refuses it";
    } catch (const ostrelInt::CmpiStatus& e) {
      EXPECT_NE(e.msg().find("refused by the BMC"), std::string::npos) << e.msg();
    }
    GTEST_SKIP() << "the simulator does not offer cipher suite 17";
  }
  auto transport = LanPlusTransport::Open(Config(17));
  EXPECT_TRUE(transport->Send(AppRequest(kGetDeviceId)).Ok());
}

TEST_F(LanPlusSimTest, RefusedSessionsSayWhy) {
  struct Case {
    const char* name;
    LanConfig config;
    const char* expected;
  };
  LanConfig wrongPassword = Config();
  wrongPassword.password = "not-the-password";
  LanConfig suiteZero = Config(0);
  LanConfig unknownSuite = Config(9);
  LanConfig wrongUser = Config();
  wrongUser.username = "nobody";
  const Case cases[] = {
      {"wrong password", wrongPassword, "password"},
      {"suite 0 not configured", suiteZero, "cipher suite 0"},
      {"unsupported suite", unknownSuite, "cipher suite 9 is not supported"},
      {"unknown user", wrongUser, "RAKP"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    try {
      LanPlusTransport::Open(c.config);
      ADD_FAILURE() << "session opened";
    } catch (const ostrelInt::CmpiStatus& e) {
      EXPECT_NE(e.msg().find(c.expected), std::string::npos) << e.msg();
      EXPECT_NE(e.msg().find("127.0.0.1:" + std::to_string(sim_->Port(0))), std::string::npos) << e.msg();
    }
  }
}

TEST_F(LanPlusSimTest, CipherSuiteZeroWhenConfiguredExplicitly) {
  LanConfig c = Config(0);
  c.cipherSuiteZeroAllowed = true;
  auto transport = LanPlusTransport::Open(c);
  EXPECT_TRUE(transport->Send(AppRequest(kGetDeviceId)).Ok());
}

TEST_F(LanPlusSimTest, PipelinedAnswersMatchOneByOneAnswersInRequestOrder) {
  std::vector<Request> requests;
  for (int sensor = 0; sensor < 60; ++sensor)
    requests.push_back(SensorReading(static_cast<std::uint8_t>(sensor * 3 + 1)));
  requests.push_back(AppRequest(kGetDeviceId));
  Request info;
  info.netFn = netfn::kStorage;
  info.command = kGetSdrRepositoryInfo;
  requests.push_back(info);

  LanConfig c = Config();
  c.options.window = 12;
  auto transport = LanPlusTransport::Open(c);
  const std::uint64_t before = transport->RequestCount();
  const std::vector<Response> pipelined = transport->SendPipelined(requests);
  EXPECT_EQ(transport->RequestCount() - before, requests.size());
  ASSERT_EQ(pipelined.size(), requests.size());
  int present = 0;
  for (std::size_t i = 0; i < requests.size(); ++i) {
    const Response single = transport->Send(requests[i]);
    EXPECT_EQ(pipelined[i].completionCode, single.completionCode) << "request " << i;
    // Reading values may move between reads; the length and status may not.
    EXPECT_EQ(pipelined[i].data.size(), single.data.size()) << "request " << i;
    present += pipelined[i].Ok();
  }
  EXPECT_GT(present, 10);
  EXPECT_EQ(DecodeDeviceId(pipelined[60]).manufacturer, 0x1c4cu);
}

TEST_F(LanPlusSimTest, BridgedRequestReachesTheSatelliteController) {
  auto transport = LanPlusTransport::Open(Config());
  const Response direct = transport->Send(AppRequest(kGetDeviceId));
  const Response bridged = transport->Send(AppRequest(kGetDeviceId, Target{0, 0x2c, 0}));
  ASSERT_TRUE(bridged.Ok()) << DescribeCompletionCode(bridged.completionCode);
  EXPECT_EQ(DecodeDeviceId(direct).deviceId, 0x20);
  EXPECT_EQ(DecodeDeviceId(bridged).deviceId, 0x01);

  // Mixed with direct requests in one pipeline, each answer stays in place.
  const std::vector<Response> mixed =
      transport->SendPipelined({AppRequest(kGetDeviceId, Target{0, 0x2c, 0}), AppRequest(kGetDeviceId),
                                AppRequest(kGetDeviceId, Target{0, 0x2c, 0})});
  ASSERT_EQ(mixed.size(), 3u);
  EXPECT_EQ(DecodeDeviceId(mixed[0]).deviceId, 0x01);
  EXPECT_EQ(DecodeDeviceId(mixed[1]).deviceId, 0x20);
  EXPECT_EQ(DecodeDeviceId(mixed[2]).deviceId, 0x01);
}

TEST_F(LanPlusSimTest, BridgedRequestToAnAbsentControllerGivesACompletionCode) {
  auto transport = LanPlusTransport::Open(Config());
  const Response r = transport->Send(AppRequest(kGetDeviceId, Target{0, 0x72, 0}));
  EXPECT_FALSE(r.Ok());
}

}  // namespace
}  // namespace marlek
