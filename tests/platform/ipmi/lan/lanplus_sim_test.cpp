// The RMCP+ transport against ipmi_sim serving a captured server, through a
// UDP proxy that passes, loses, duplicates, damages, cuts or rewrites the
// BMC's answers; and sessions of the suites ipmi_sim does not offer against
// a minimal BMC.
#include "sdr/sdr_reader.h"
#include "support/peer_tools.h"
#include "transport/bridging.h"
#include "transport/ipmi_lan_message.h"
#include "transport/lanplus_transport.h"
#include "transport/rakp_handshake.h"
#include "transport/rmcpplus_session_packet.h"

#include <gtest/gtest.h>

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <thread>

namespace marlek {
namespace {

// A UDP socket on a free 127.0.0.1 port (its number goes to *port),
// connected to the 127.0.0.1 port peer unless that is 0.
inline int BindLoopbackUdp(std::uint16_t* port, std::uint16_t peer = 0) {
  const int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  sockaddr_in addr{AF_INET, 0, {htonl(INADDR_LOOPBACK)}, {}};
  socklen_t length = sizeof addr;
  bind(fd, reinterpret_cast<sockaddr*>(&addr), length);
  getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &length);
  *port = ntohs(addr.sin_port);
  addr.sin_port = htons(peer);
  if (peer)
    connect(fd, reinterpret_cast<sockaddr*>(&addr), length);
  return fd;
}

// A UDP proxy on 127.0.0.1 between a client and a simulated BMC whose
// answers a test controls: each passes, is dropped, or is replaced, as the
// test's filter decides. Given a BMC of its own, it answers with that.
class UdpProxy {
 public:
  using Datagram = std::vector<std::uint8_t>;
  // The datagrams to pass on in place of an answer: none drops it, two
  // duplicate it.
  using Filter = std::function<std::vector<Datagram>(const Datagram&)>;

  explicit UdpProxy(std::uint16_t bmcPort, Filter bmc = nullptr)
      : bmc_(std::move(bmc)),
        listen_(BindLoopbackUdp(&port_)),
        upstream_(BindLoopbackUdp(&upstreamPort_, bmcPort)) {}
  ~UdpProxy() {
    stop_ = true;
    thread_.join();
    close(listen_);
    close(upstream_);
  }

  std::uint16_t Port() const { return port_; }
  // Applies filter to the BMC's answers; nullptr passes them.
  void SetFilter(Filter filter) {
    std::lock_guard<std::mutex> lock(mutex_);
    filter_ = std::move(filter);
  }
  // Datagrams seen from the client so far.
  int ClientDatagrams() const { return clientDatagrams_; }

 private:
  void Loop() {
    Datagram buffer(2048);
    sockaddr_in client{};
    socklen_t length = sizeof client;
    while (!stop_) {
      pollfd fds[2] = {{listen_, POLLIN, 0}, {upstream_, POLLIN, 0}};
      if (poll(fds, 2, 20) <= 0)
        continue;
      const ssize_t asked = fds[0].revents & POLLIN ? recvfrom(listen_, buffer.data(), buffer.size(), 0,
                                                               reinterpret_cast<sockaddr*>(&client), &length)
                                                    : 0;
      if (asked > 0 && ++clientDatagrams_ && !bmc_)
        send(upstream_, buffer.data(), asked, 0);
      const ssize_t got = bmc_                      ? asked
                          : fds[1].revents & POLLIN ? recv(upstream_, buffer.data(), buffer.size(), 0)
                                                    : 0;
      const Datagram datagram(buffer.begin(), buffer.begin() + std::max<ssize_t>(got, 0));
      std::lock_guard<std::mutex> lock(mutex_);
      for (const Datagram& out : got <= 0  ? std::vector<Datagram>{}
                                 : bmc_    ? bmc_(datagram)
                                 : filter_ ? filter_(datagram)
                                           : std::vector<Datagram>{datagram})
        sendto(listen_, out.data(), out.size(), 0, reinterpret_cast<sockaddr*>(&client), length);
    }
  }

  const Filter bmc_;
  std::uint16_t port_ = 0, upstreamPort_ = 0;  // set while the sockets are made
  int listen_, upstream_;
  std::atomic<bool> stop_{false};
  std::atomic<int> clientDatagrams_{0};
  std::mutex mutex_;
  Filter filter_;
  std::thread thread_{[this] { Loop(); }};
};

// An IPMI response message as a BMC sends it.
inline Bytes EncodeResponseFrame(const IpmbResponseFrame& f) {
  PayloadWriter w;
  w.U8(f.rqAddr).U8(static_cast<std::uint8_t>(f.netFn << 2 | f.rqLun));
  w.U8(IpmiChecksum(w.Get().data(), 2));
  w.U8(f.rsAddr).U8(static_cast<std::uint8_t>(f.rqSeq << 2 | f.rsLun)).U8(f.command).U8(f.completionCode);
  w.Bytes(f.data);
  w.U8(IpmiChecksum(w.Get().data() + 3, w.Get().size() - 3));
  return w.Take();
}

// A minimal RMCP+ BMC, for the cipher suites a simulator does not offer (17
// among them). It answers Get Channel Authentication Capabilities, Open
// Session, RAKP 1 and 3, and in session Get Device ID, Set Session Privilege
// Level and Close Session.
class FakeRmcpPlusBmc {
 public:
  explicit FakeRmcpPlusBmc(std::string password) : password_(std::move(password)) {}

  std::uint16_t Port() const { return endpoint_.Port(); }
  int SessionsClosed() const { return closed_; }
  int AuthenticatedRequests() const { return requests_; }

 private:
  static constexpr std::uint32_t kManagedSessionId = 0x5a5a0102;

  // What the BMC answers; nothing to what is not for it, as a real BMC.
  std::vector<Bytes> Answer(const Bytes& datagram) try {
    if (datagram.size() > 4 && datagram[4] == 0x00)  // an IPMI v1.5 session: channel capabilities
      return {EncodeV15UnauthenticatedPacket(
          Response(DecodeV15UnauthenticatedPacket(datagram), {0x01, 0x80, 0x04, 0x02, 0, 0, 0, 0}))};
    const SessionPacket packet = DecodeSessionPacket(datagram, active_ ? keys_ : SessionKeys{});
    PayloadReader in(packet.payload);
    if (packet.type == PayloadType::kOpenSessionRequest)
      return {OpenSession(in)};
    if (packet.type == PayloadType::kRakp1)
      return {Rakp2Message(in)};
    if (packet.type == PayloadType::kRakp3)
      return Rakp4Message(in);
    if (packet.type != PayloadType::kIpmiMessage || !active_ || packet.sessionId != kManagedSessionId)
      return {};
    ++requests_;
    const std::uint16_t command =
        static_cast<std::uint16_t>(packet.payload.at(1) >> 2 << 8 | packet.payload.at(5));
    closed_ += command == 0x063c;  // Close Session
    const Bytes data = command == 0x0601
                           ? Bytes{0x20, 0x01, 0x02, 0x03, 0x02, 0xbf, 0x57, 0x01, 0x00, 0x6f, 0x00}
                       : command == 0x063b ? Bytes{0x04}  // Set Session Privilege Level
                                           : Bytes{};
    return {EncodeSessionPacket(PayloadType::kIpmiMessage, exchange_.consoleSessionId, ++outbound_,
                                Response(packet.payload, data), keys_)};
  } catch (const std::exception&) {
    return {};
  }

  // The response to an IPMI request message.
  static Bytes Response(const Bytes& request, const Bytes& data) {
    IpmbResponseFrame f;
    f.rqAddr = kRemoteConsoleSwid;
    f.netFn = static_cast<std::uint8_t>((request.at(1) >> 2) | 1);
    f.rsAddr = 0x20;
    f.rqSeq = request.at(4) >> 2;
    f.command = request.at(5);
    f.data = data;
    return EncodeResponseFrame(f);
  }

  Bytes OpenSession(PayloadReader& in) {
    const std::uint8_t tag = in.U8();
    in.Skip(3);
    exchange_.consoleSessionId = in.U32le();
    std::uint8_t algorithms[3];
    for (std::uint8_t& algorithm : algorithms)
      in.Skip(4), algorithm = in.U8(), in.Skip(3);
    suite_ = CipherSuite{0, static_cast<AuthAlgorithm>(algorithms[0]),
                         static_cast<IntegrityAlgorithm>(algorithms[1]),
                         static_cast<ConfidentialityAlgorithm>(algorithms[2])};
    exchange_.auth = suite_.auth;
    exchange_.managedSessionId = kManagedSessionId;
    PayloadWriter w;
    w.U8(tag).U8(0).U8(4).U8(0).U32le(exchange_.consoleSessionId).U32le(kManagedSessionId);
    for (std::uint8_t i = 0; i < 3; ++i)
      w.U8(i).U16le(0).U8(8).U8(algorithms[i]).U8(0).U16le(0);
    return EncodeSessionPacket(PayloadType::kOpenSessionResponse, 0, 0, w.Take(), SessionKeys{});
  }

  Bytes Rakp2Message(PayloadReader& in) {
    const std::uint8_t tag = in.U8();
    in.Skip(7);
    exchange_.consoleRandom = in.Bytes(16);
    exchange_.role = in.U8();
    in.Skip(2);
    const Bytes name = in.Bytes(in.U8());
    exchange_.username.assign(name.begin(), name.end());
    exchange_.managedRandom = Bytes(16, 0x3c);
    exchange_.managedGuid = Bytes(16, 0xa1);
    exchange_.password.assign(password_.begin(), password_.end());
    PayloadWriter w;
    w.U8(tag).U8(0).U16le(0).U32le(exchange_.consoleSessionId);
    w.Bytes(exchange_.managedRandom).Bytes(exchange_.managedGuid).Bytes(Rakp2AuthCode(exchange_));
    return EncodeSessionPacket(PayloadType::kRakp2, 0, 0, w.Take(), SessionKeys{});
  }

  std::vector<Bytes> Rakp4Message(PayloadReader& in) {
    const std::uint8_t tag = in.U8();
    in.Skip(7);
    if (in.Rest() != Rakp3AuthCode(exchange_))
      return {};
    const Bytes sik = SessionIntegrityKey(exchange_);
    keys_ = SessionKeys{suite_.integrity, suite_.confidentiality, DerivedKey(suite_.auth, sik, 1),
                        DerivedKey(suite_.auth, sik, 2)};
    active_ = true;
    PayloadWriter w;
    w.U8(tag)
        .U8(0)
        .U16le(0)
        .U32le(exchange_.consoleSessionId)
        .Bytes(Rakp4IntegrityCheckValue(exchange_, sik));
    return {EncodeSessionPacket(PayloadType::kRakp4, 0, 0, w.Take(), SessionKeys{})};
  }

  std::string password_;
  // The session, touched by the endpoint's thread only.
  RakpExchange exchange_;
  CipherSuite suite_;
  SessionKeys keys_;
  bool active_ = false;
  std::uint32_t outbound_ = 0;
  std::atomic<int> closed_{0};
  std::atomic<int> requests_{0};
  UdpProxy endpoint_{0, [this](const Bytes& datagram) { return Answer(datagram); }};
};

using Datagram = std::vector<std::uint8_t>;
using Datagrams = std::vector<Datagram>;
using Change = UdpProxy::Filter;

constexpr std::uint8_t kGetDeviceId = 0x01, kGetSdr = 0x23;
const Target kSatellite{0, 0x2c, 0};  // a controller behind the BMC on IPMB

Request GetDeviceId(Target target = {}) {
  return {netfn::kApp, kGetDeviceId, target, {}};
}

// The IPMI message of an unprotected (cipher suite 0) session packet;
// nothing for anything else.
std::optional<IpmbResponseFrame> PlainResponse(const Datagram& datagram, SessionPacket* packet) {
  try {
    *packet = DecodeSessionPacket(datagram, SessionKeys{});
    if (packet->type == PayloadType::kIpmiMessage && packet->sessionId != 0)
      return DecodeIpmbResponse(packet->payload);
  } catch (const std::exception&) {
  }
  return std::nullopt;
}

Datagram Repack(const SessionPacket& packet, const IpmbResponseFrame& frame) {
  return EncodeSessionPacket(PayloadType::kIpmiMessage, packet.sessionId, packet.sequence,
                             EncodeResponseFrame(frame), SessionKeys{});
}

// Rewrites unprotected answers: rewrite returns what to send instead.
Change Rewriting(std::function<Datagrams(IpmbResponseFrame&, const SessionPacket&)> rewrite) {
  return [rewrite](const Datagram& d) {
    SessionPacket packet;
    std::optional<IpmbResponseFrame> frame = PlainResponse(d, &packet);
    return frame ? rewrite(*frame, packet) : Datagrams{d};
  };
}

// After `skip` answers to the command, the next `times` of them carry the
// completion code cc instead.
Change Failing(std::uint8_t command, std::uint8_t cc, int skip, int times) {
  return Rewriting([=](IpmbResponseFrame& frame, const SessionPacket& packet) mutable {
    if (frame.command == command && skip-- <= 0 && times-- > 0)
      frame.completionCode = cc, frame.data.clear();
    return Datagrams{Repack(packet, frame)};
  });
}

Change Damaging(std::function<void(Datagram&)> damage) {
  return [damage](Datagram d) { return damage(d), Datagrams{d}; };
}

// A BMC may answer a bridged request inside its Send Message response; the
// simulator sends an empty one and the bridged answer after it. This joins
// the two.
Change EmbeddingBridgedAnswers() {
  auto held = std::make_shared<std::optional<IpmbResponseFrame>>();
  return Rewriting([held](IpmbResponseFrame& frame, const SessionPacket& packet) {
    if (frame.command == kCmdSendMessage && frame.data.empty())
      return *held = frame, Datagrams{};
    if (!*held || frame.rqSeq != (*held)->rqSeq)
      return Datagrams{Repack(packet, frame)};
    frame.rqAddr = 0x20;
    (*held)->data = EncodeResponseFrame(frame);
    const Datagram merged = Repack(packet, **held);
    return held->reset(), Datagrams{merged};
  });
}

// What a session makes of the damage: the failure text, or per answer
// "=XX" (its first data byte) or "cc=XX"; "same records" when the SDR read
// through it equals the one read without damage.
struct Case {
  const char* name;
  int suite;
  Change change;                  // applied to the answers once the session is up
  std::vector<Request> requests;  // none: read the SDR repository
  std::string expected;
  int datagrams = 0;  // sent by the client, when counted
  bool fromStart = false;
  std::function<void(LanConfig&)> configure = nullptr;
};

std::vector<std::uint8_t> Concatenated(const std::vector<SdrRecord>& records) {
  std::vector<std::uint8_t> bytes;
  for (const SdrRecord& record : records)
    bytes.insert(bytes.end(), record.bytes.begin(), record.bytes.end());
  return bytes;
}

using LanPlusSimTest = testing::SimulatedServerTest;

TEST_F(LanPlusSimTest, SessionsAndFaultsThroughAProxy) {
  ASSERT_NO_FATAL_FAILURE(Start("quanta_d51.emu", {"ipmi_sim"}, false));
  if (IsSkipped())
    return;
  UdpProxy proxy(port_);
  const std::string port = "127.0.0.1:" + std::to_string(proxy.Port());
  const auto config = [&](int suite) {
    const TransportOptions options{std::chrono::milliseconds(300), 2, 8};
    return LanConfig{"127.0.0.1", proxy.Port(),
                     "admin",     Read("password"),
                     "",          suite,
                     suite == 0,  Privilege::kAdministrator,
                     options,     {}};
  };
  const auto reference = Concatenated(ReadSdrRecords(*LanPlusTransport::Open(config(0)), ""));
  ASSERT_GT(reference.size(), 1000u);

  const auto drop = [](const Datagram&) { return Datagrams{}; };
  const auto dropFirst = [n = 0](const Datagram& d) mutable { return n++ == 0 ? Datagrams{} : Datagrams{d}; };
  const auto dropBridged = Rewriting([](IpmbResponseFrame& frame, const SessionPacket& packet) {
    return frame.rsAddr == kSatellite.slaveAddress ? Datagrams{} : Datagrams{Repack(packet, frame)};
  });
  // Bridged answers between direct ones stay in place; nothing answers at 0x72.
  const std::vector<Request> bridged{GetDeviceId(kSatellite), GetDeviceId(), GetDeviceId(kSatellite)};
  std::vector<Request> mixed = bridged;
  mixed.push_back(GetDeviceId(Target{0, 0x72, 0}));
  const std::vector<Request> one{GetDeviceId()};
  const Case cases[] = {
      {"session, suite 3", 3, nullptr, mixed, "=01 =20 =01 cc=", 4},
      {"session, suite 2", 2, nullptr, mixed, "=01 =20 =01 cc=", 4},
      {"session, suite 1", 1, nullptr, mixed, "=01 =20 =01 cc=", 4},
      {"session, suite 0", 0, nullptr, mixed, "=01 =20 =01 cc=", 4},
      {"silent BMC", 3, drop, one, "no answer from " + port + " to netfn 0x06 command 0x01 after 3 attempts",
       3},
      {"silent during set-up", 3, drop, one, "no answer to Get Channel Authentication Capabilities", 0, true},
      {"lost answer", 3, dropFirst, one, "=20 ", 2},
      {"duplicated answers", 3,
       [](const Datagram& d) {
         return Datagrams{d, d};
       },
       std::vector<Request>(6, GetDeviceId()), "=20 =20 =20 =20 =20 =20 ", 6},
      {"busy twice", 0, Failing(kGetDeviceId, 0xc0, 0, 2), one, "=20 ", 3},
      {"busy on", 0, Failing(kGetDeviceId, 0xc0, 0, 9), one, "cc=c0 ", 3},
      {"SDR reservation cancelled", 0, Failing(kGetSdr, 0xc5, 5, 2), {}, "same records"},
      {"SDR busy", 0, Failing(kGetSdr, 0xc0, 7, 3), {}, "same records"},
      {"flipped AuthCode bit", 3, Damaging([](Datagram& d) { d.back() ^= 0x01; }), one,
       "integrity check failed"},
      {"flipped payload bit", 3, Damaging([](Datagram& d) { d[20] ^= 0x80; }), one, "integrity check failed"},
      {"cut short", 3, Damaging([](Datagram& d) { d.resize(d.size() / 2); }), one, "last packet rejected"},
      {"only the RMCP header", 3, Damaging([](Datagram& d) { d.resize(4); }), one, "last packet rejected"},
      {"garbled IPMI message", 0, Damaging([](Datagram& d) { d[d.size() - 3] ^= 0x5a; }), one,
       "checksum mismatch"},
      {"short IPMI message", 0, Rewriting([](IpmbResponseFrame&, const SessionPacket& p) {
         return Datagrams{EncodeSessionPacket(p.type, p.sessionId, p.sequence,
                                              {p.payload.begin(), p.payload.begin() + 5}, {})};
       }),
       one, "IPMI response message: 5 bytes"},
      {"bridged answers embedded", 0, EmbeddingBridgedAnswers(), bridged, "=01 =20 =01 ", 3},
      {"bridged answer lost", 0, dropBridged, {GetDeviceId(kSatellite)}, "to 0x2c on channel 0"},
      {"wrong password", 3, nullptr, one, "password", 0, false, [](LanConfig& c) { c.password = "not-it"; }},
      {"suite 0 not configured", 0, nullptr, one, "cipher suite 0", 0, false,
       [](LanConfig& c) { c.cipherSuiteZeroAllowed = false; }},
      {"unsupported suite", 9, nullptr, one, "cipher suite 9 is not supported"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    LanConfig settings = config(c.suite);
    if (c.configure)
      c.configure(settings);
    proxy.SetFilter(c.fromStart ? c.change : nullptr);
    std::unique_ptr<LanPlusTransport> transport;
    std::string outcome;
    int sent = 0;
    try {
      transport = LanPlusTransport::Open(settings);
      proxy.SetFilter(c.change);
      sent = proxy.ClientDatagrams();
      if (c.requests.empty())
        outcome =
            Concatenated(ReadSdrRecords(*transport, "")) == reference ? "same records" : "other records";
      const auto start = std::chrono::system_clock::now().time_since_epoch();
      for (const Response& r : transport->SendPipelined(c.requests)) {
        char text[8];
        std::snprintf(text, sizeof text, r.Ok() ? "=%02x " : "cc=%02x ",
                      r.Ok() ? r.data.at(0) : r.completionCode);
        outcome += text;
        EXPECT_GE(r.receivedUsec, std::chrono::duration_cast<std::chrono::microseconds>(start).count());
      }
    } catch (const ostrelInt::CmpiStatus& e) {
      outcome = e.msg();
    }
    EXPECT_NE(outcome.find(c.expected), std::string::npos) << outcome;
    proxy.SetFilter(nullptr);
    if (transport) {
      EXPECT_EQ(c.datagrams ? proxy.ClientDatagrams() - sent : 0, c.datagrams);
      EXPECT_TRUE(transport->Send(GetDeviceId()).Ok()) << "the session is usable once the damage stops";
    } else if (!c.fromStart) {
      EXPECT_NE(outcome.find(port), std::string::npos) << "a refusal names the BMC";
    }
  }
}

// Cipher suites the simulator does not offer, against a minimal BMC; and
// one that does not know the password.
TEST(LanPlusFakeBmcTest, SessionsOfSha256SuitesCarryRequestsAndClose) {
  for (int suite : {17, 16, 15}) {
    SCOPED_TRACE("cipher suite " + std::to_string(suite));
    FakeRmcpPlusBmc bmc("pass-word-20-bytes!!"), impostor("another-password");
    LanConfig c{"127.0.0.1", bmc.Port(), "operator1", "pass-word-20-bytes!!",
                "",          suite,      false,       Privilege::kAdministrator,
                {},          {}};
    for (const Response& r :
         LanPlusTransport::Open(c)->SendPipelined(std::vector<Request>(12, GetDeviceId())))
      EXPECT_EQ(r.data.size(), 11u);
    EXPECT_EQ(bmc.SessionsClosed(), 1);
    EXPECT_EQ(bmc.AuthenticatedRequests(), 14) << "Set Session Privilege Level, 12 requests, Close Session";
    c.port = impostor.Port();
    try {
      LanPlusTransport::Open(c);
      ADD_FAILURE() << "a session with a BMC that does not know the password";
    } catch (const ostrelInt::CmpiStatus& e) {
      EXPECT_NE(e.msg().find("does not prove the BMC knows the password"), std::string::npos) << e.msg();
    }
  }
}

}  // namespace
}  // namespace marlek
