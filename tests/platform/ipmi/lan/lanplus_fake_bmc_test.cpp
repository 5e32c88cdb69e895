// RMCP+ sessions of every cipher suite, and handshakes that go wrong,
// against a minimal BMC the test controls.

#include "support/fake_rmcpplus_bmc.h"
#include "transport/lanplus_transport.h"

#include <Ipmi/CmpiStatus.h>

#include <gtest/gtest.h>

namespace marlek {
namespace {

using testing::FakeRmcpPlusBmc;

LanConfig ConfigFor(const FakeRmcpPlusBmc& bmc, int suite) {
  LanConfig c;
  c.host = "127.0.0.1";
  c.port = bmc.Port();
  c.username = "operator1";
  c.password = "pass-word-20-bytes!!";
  c.cipherSuite = suite;
  c.cipherSuiteZeroAllowed = true;
  c.options.timeout = std::chrono::milliseconds(200);
  c.options.retries = 1;
  return c;
}

Request GetDeviceId() {
  Request r;
  r.netFn = netfn::kApp;
  r.command = 0x01;
  return r;
}

TEST(LanPlusFakeBmcTest, EverySuiteCarriesRequestsAndClosesItsSession) {
  for (int suite : {17, 16, 15, 3, 2, 1, 0}) {
    SCOPED_TRACE("cipher suite " + std::to_string(suite));
    FakeRmcpPlusBmc bmc("pass-word-20-bytes!!");
    {
      auto transport = LanPlusTransport::Open(ConfigFor(bmc, suite));
      const std::vector<Response> answers = transport->SendPipelined(std::vector<Request>(12, GetDeviceId()));
      for (const Response& r : answers) {
        ASSERT_TRUE(r.Ok());
        EXPECT_EQ(r.data.size(), 11u);
      }
    }
    EXPECT_EQ(bmc.SessionsClosed(), 1);
    // Set Session Privilege Level, 12 requests, Close Session.
    EXPECT_EQ(bmc.AuthenticatedRequests(), 14);
  }
}

TEST(LanPlusFakeBmcTest, HandshakesThatGoWrongFailTheOpen) {
  struct Case {
    const char* name;
    FakeRmcpPlusBmc::Faults faults;
    std::string password;
    const char* expected;
  };
  FakeRmcpPlusBmc::Faults badRakp2;
  badRakp2.wrongRakp2AuthCode = true;
  FakeRmcpPlusBmc::Faults badRakp4;
  badRakp4.wrongRakp4Icv = true;
  FakeRmcpPlusBmc::Faults otherIntegrity;
  otherIntegrity.chooseOtherIntegrity = true;
  FakeRmcpPlusBmc::Faults refused;
  refused.rakp2Status = 0x0d;
  const Case cases[] = {
      {"RAKP 2 AuthCode", badRakp2, "pass-word-20-bytes!!", "does not prove the BMC knows the password"},
      {"RAKP 4 check value", badRakp4, "pass-word-20-bytes!!",
       "RAKP message 4 has a wrong integrity check value"},
      {"other integrity", otherIntegrity, "pass-word-20-bytes!!",
       "chose algorithms other than cipher suite 17"},
      {"refused name", refused, "pass-word-20-bytes!!",
       "RAKP message 1 refused by the BMC: Unauthorized name"},
      {"other password", {}, "another-password", "does not prove the BMC knows the password"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FakeRmcpPlusBmc bmc(c.password, c.faults);
    try {
      LanPlusTransport::Open(ConfigFor(bmc, 17));
      ADD_FAILURE() << "session opened";
    } catch (const ostrelInt::CmpiStatus& e) {
      EXPECT_NE(e.msg().find(c.expected), std::string::npos) << e.msg();
    }
    EXPECT_EQ(bmc.AuthenticatedRequests(), 0);
  }
}

}  // namespace
}  // namespace marlek
