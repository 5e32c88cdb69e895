// The RMCP+ transport when the network or the BMC misbehaves: a UDP proxy
// between the transport and ipmi_sim drops, delays, rewrites or garbles
// datagrams.

#include "support/simulated_bmc.h"
#include "support/udp_proxy.h"
#include "transport/bridging.h"
#include "transport/ipmi_lan_message.h"
#include "transport/lanplus_transport.h"
#include "transport/rmcpplus_session_packet.h"

#include <Ipmi/CmpiStatus.h>

#include <gtest/gtest.h>

#include <atomic>

namespace marlek {
namespace {

using testing::UdpProxy;
using Datagrams = std::vector<std::vector<std::uint8_t>>;
using Direction = UdpProxy::Direction;

constexpr std::uint8_t kGetDeviceId = 0x01;

Request GetDeviceId(Target target = {}) {
  Request r;
  r.netFn = netfn::kApp;
  r.command = kGetDeviceId;
  r.target = target;
  return r;
}

// An IPMI message inside an unprotected (cipher suite 0) session packet,
// as the proxy sees it; empty for anything else.
std::optional<IpmbResponseFrame> PlainResponse(const std::vector<std::uint8_t>& datagram,
                                               SessionPacket* packet) {
  try {
    *packet = DecodeSessionPacket(datagram, SessionKeys{});
    if (packet->type != PayloadType::kIpmiMessage || packet->sessionId == 0)
      return std::nullopt;
    return DecodeIpmbResponse(packet->payload);
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

std::vector<std::uint8_t> EncodeResponseFrame(const IpmbResponseFrame& f) {
  PayloadWriter w;
  w.U8(f.rqAddr).U8(static_cast<std::uint8_t>(f.netFn << 2 | f.rqLun));
  w.U8(IpmiChecksum(w.Get().data(), 2));
  w.U8(f.rsAddr).U8(static_cast<std::uint8_t>(f.rqSeq << 2 | f.rsLun)).U8(f.command).U8(f.completionCode);
  w.Bytes(f.data);
  w.U8(IpmiChecksum(w.Get().data() + 3, w.Get().size() - 3));
  return w.Take();
}

std::vector<std::uint8_t> Repack(const SessionPacket& packet, const IpmbResponseFrame& frame) {
  return EncodeSessionPacket(PayloadType::kIpmiMessage, packet.sessionId, packet.sequence,
                             EncodeResponseFrame(frame), SessionKeys{});
}

class LanPlusFaultTest : public testing::SuiteSimulatorTest {
 protected:
  static void SetUpTestSuite() { StartSuiteSimulator("quanta_d51.emu"); }
  void SetUp() override {
    SuiteSimulatorTest::SetUp();
    if (IsSkipped() || HasFatalFailure())
      return;
    proxy_ = std::make_unique<UdpProxy>(sim_->Port(0));
  }

  LanConfig Config(int suite = 3) const {
    LanConfig c;
    c.host = "127.0.0.1";
    c.port = proxy_->Port();
    c.username = "admin";
    c.password = sim_->Password();
    c.cipherSuite = suite;
    c.cipherSuiteZeroAllowed = suite == 0;
    c.options.timeout = std::chrono::milliseconds(300);
    c.options.retries = 2;
    return c;
  }

  // Applies change to every datagram going to the client once the session
  // is up.
  void ToClient(std::function<Datagrams(const std::vector<std::uint8_t>&)> change) {
    proxy_->SetFilter([change](Direction d, const std::vector<std::uint8_t>& datagram) -> Datagrams {
      if (d == Direction::kToBmc)
        return {datagram};
      return change(datagram);
    });
  }

  std::string FailureOf(Transport& transport, const Request& request) {
    try {
      transport.Send(request);
    } catch (const ostrelInt::CmpiStatus& e) {
      return e.msg();
    }
    return "";
  }

  std::unique_ptr<UdpProxy> proxy_;
};

TEST_F(LanPlusFaultTest, SilentBmcFailsWithinTheConfiguredTimeoutAfterRetransmitting) {
  auto transport = LanPlusTransport::Open(Config());
  ToClient([](const std::vector<std::uint8_t>&) { return Datagrams{}; });
  const int before = proxy_->ClientDatagrams();
  const auto start = std::chrono::steady_clock::now();
  const std::string failure = FailureOf(*transport, GetDeviceId());
  const auto elapsed = std::chrono::steady_clock::now() - start;
  EXPECT_NE(failure.find("no answer from 127.0.0.1:"), std::string::npos) << failure;
  EXPECT_NE(failure.find("after 3 attempts of 300 ms"), std::string::npos) << failure;
  EXPECT_EQ(proxy_->ClientDatagrams() - before, 3);
  // Three attempts of 300 ms, with a generous margin for a loaded machine.
  EXPECT_LT(elapsed, std::chrono::milliseconds(3 * 300 + 1500));
  EXPECT_GE(elapsed, std::chrono::milliseconds(3 * 300));
}

TEST_F(LanPlusFaultTest, SilentBmcDuringSessionSetUpFailsTheOpen) {
  ToClient([](const std::vector<std::uint8_t>&) { return Datagrams{}; });
  try {
    LanPlusTransport::Open(Config());
    FAIL() << "opened a session with a silent BMC";
  } catch (const ostrelInt::CmpiStatus& e) {
    EXPECT_NE(e.msg().find("no answer to Get Channel Authentication Capabilities"), std::string::npos)
        << e.msg();
  }
}

TEST_F(LanPlusFaultTest, LostAnswerIsRecoveredByRetransmission) {
  auto transport = LanPlusTransport::Open(Config());
  auto dropped = std::make_shared<std::atomic<int>>(0);
  ToClient([dropped](const std::vector<std::uint8_t>& d) {
    return (*dropped)++ == 0 ? Datagrams{} : Datagrams{d};
  });
  const std::uint64_t before = transport->RequestCount();
  EXPECT_TRUE(transport->Send(GetDeviceId()).Ok());
  EXPECT_EQ(transport->RequestCount() - before, 2u);
}

TEST_F(LanPlusFaultTest, DuplicatedAnswersAreIgnored) {
  auto transport = LanPlusTransport::Open(Config());
  ToClient([](const std::vector<std::uint8_t>& d) { return Datagrams{d, d}; });
  const std::vector<Response> answers = transport->SendPipelined(std::vector<Request>(20, GetDeviceId()));
  for (const Response& r : answers)
    EXPECT_TRUE(r.Ok());
  EXPECT_EQ(transport->RequestCount(), 20u);
}

TEST_F(LanPlusFaultTest, NodeBusyIsRetriedThenReported) {
  struct Case {
    int busyAnswers;
    std::uint8_t expectedCode;
    std::uint64_t expectedRequests;
  };
  for (const Case& c : {Case{2, 0x00, 3}, Case{5, 0xc0, 3}}) {
    SCOPED_TRACE(c.busyAnswers);
    auto transport = LanPlusTransport::Open(Config(0));
    auto busy = std::make_shared<std::atomic<int>>(c.busyAnswers);
    ToClient([busy](const std::vector<std::uint8_t>& d) {
      SessionPacket packet;
      std::optional<IpmbResponseFrame> frame = PlainResponse(d, &packet);
      if (!frame || frame->command != kGetDeviceId || (*busy)-- <= 0)
        return Datagrams{d};
      frame->completionCode = 0xc0;
      frame->data.clear();
      return Datagrams{Repack(packet, *frame)};
    });
    const Response r = transport->Send(GetDeviceId());
    EXPECT_EQ(r.completionCode, c.expectedCode);
    EXPECT_EQ(transport->RequestCount(), c.expectedRequests);
    proxy_->SetFilter(nullptr);
  }
}

TEST_F(LanPlusFaultTest, DamagedAnswersGiveAClearErrorAndNoCrash) {
  struct Case {
    const char* name;
    int suite;
    std::function<Datagrams(std::vector<std::uint8_t>)> damage;
    const char* expected;
  };
  const Case cases[] = {
      {"flipped AuthCode bit", 3,
       [](std::vector<std::uint8_t> d) {
         d.back() ^= 0x01;
         return Datagrams{d};
       },
       "integrity check failed"},
      {"flipped payload bit", 3,
       [](std::vector<std::uint8_t> d) {
         d[20] ^= 0x80;
         return Datagrams{d};
       },
       "integrity check failed"},
      {"cut short", 3,
       [](std::vector<std::uint8_t> d) {
         d.resize(d.size() / 2);
         return Datagrams{d};
       },
       "last packet rejected"},
      {"only the RMCP header", 3,
       [](std::vector<std::uint8_t> d) {
         return Datagrams{{d.begin(), d.begin() + 4}};
       },
       "last packet rejected"},
      {"garbled IPMI message", 0,
       [](std::vector<std::uint8_t> d) {
         d[d.size() - 3] ^= 0x5a;
         return Datagrams{d};
       },
       "checksum mismatch"},
      {"short IPMI message", 0,
       [](std::vector<std::uint8_t> d) {
         SessionPacket packet;
         if (!PlainResponse(d, &packet))
           return Datagrams{d};
         packet.payload.resize(5);
         return Datagrams{
             EncodeSessionPacket(packet.type, packet.sessionId, packet.sequence, packet.payload, {})};
       },
       "IPMI response message: 5 bytes"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    proxy_->SetFilter(nullptr);
    auto transport = LanPlusTransport::Open(Config(c.suite));
    ToClient(c.damage);
    const std::string failure = FailureOf(*transport, GetDeviceId());
    EXPECT_NE(failure.find(c.expected), std::string::npos) << failure;
    // The session is still usable once the damage stops.
    proxy_->SetFilter(nullptr);
    EXPECT_TRUE(transport->Send(GetDeviceId()).Ok());
  }
}

TEST_F(LanPlusFaultTest, BridgedAnswerEmbeddedInTheSendMessageResponse) {
  auto transport = LanPlusTransport::Open(Config(0));
  // The simulator accepts Send Message with an empty response and sends the
  // bridged answer as a message of its own. Turn that into the other form a
  // BMC may use: the bridged answer inside the Send Message response.
  auto merged = std::make_shared<std::atomic<int>>(0);
  auto held = std::make_shared<std::optional<std::pair<SessionPacket, IpmbResponseFrame>>>();
  ToClient([merged, held](const std::vector<std::uint8_t>& d) {
    SessionPacket packet;
    std::optional<IpmbResponseFrame> frame = PlainResponse(d, &packet);
    if (!frame)
      return Datagrams{d};
    if (frame->command == kCmdSendMessage && frame->data.empty()) {
      *held = std::make_pair(packet, *frame);
      return Datagrams{};
    }
    if (!*held || frame->rqSeq != (*held)->second.rqSeq)
      return Datagrams{d};
    IpmbResponseFrame inner = *frame;
    inner.rqAddr = 0x20;
    IpmbResponseFrame outer = (*held)->second;
    outer.data = EncodeResponseFrame(inner);
    held->reset();
    ++*merged;
    return Datagrams{Repack(packet, outer)};
  });
  const std::vector<Response> answers = transport->SendPipelined(
      {GetDeviceId(Target{0, 0x2c, 0}), GetDeviceId(), GetDeviceId(Target{0, 0x2c, 0})});
  EXPECT_EQ(*merged, 2);
  ASSERT_EQ(answers.size(), 3u);
  for (const Response& r : answers)
    ASSERT_TRUE(r.Ok());
  EXPECT_EQ(answers[0].data.front(), 0x01);
  EXPECT_EQ(answers[1].data.front(), 0x20);
  EXPECT_EQ(answers[2].data.front(), 0x01);
}

TEST_F(LanPlusFaultTest, BridgedAnswerThatNeverFollowsTimesOut) {
  auto transport = LanPlusTransport::Open(Config(0));
  ToClient([](const std::vector<std::uint8_t>& d) {
    SessionPacket packet;
    std::optional<IpmbResponseFrame> frame = PlainResponse(d, &packet);
    return frame && frame->rsAddr == 0x2c ? Datagrams{} : Datagrams{d};
  });
  const std::string failure = FailureOf(*transport, GetDeviceId(Target{0, 0x2c, 0}));
  EXPECT_NE(failure.find("to 0x2c on channel 0"), std::string::npos) << failure;
}

}  // namespace
}  // namespace marlek
