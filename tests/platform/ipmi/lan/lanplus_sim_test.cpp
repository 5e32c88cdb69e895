// The RMCP+ transport against ipmi_sim through a UDP proxy that loses,
// duplicates, damages or rewrites its answers.
#include "sdr/sdr_reader.h"
#include "support/peer_tools.h"
#include "transport/lan/bridging.h"
#include "transport/lan/ipmi_lan_message.h"
#include "transport/lan/lanplus_transport.h"
#include "transport/lan/rmcpplus_session_packet.h"

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

// A UDP socket on a free 127.0.0.1 port, connected to port peer unless 0.
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

// A UDP proxy between a client and a BMC on 127.0.0.1 that passes each
// answer through a test's filter.
class UdpProxy {
 public:
  using Datagram = std::vector<std::uint8_t>;
  // The datagrams sent in place of an answer: none drops it, two duplicate it.
  using Filter = std::function<std::vector<Datagram>(const Datagram&)>;

  explicit UdpProxy(std::uint16_t bmcPort)
      : listen_(BindLoopbackUdp(&port_)), upstream_(BindLoopbackUdp(&upstreamPort_, bmcPort)) {}
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
      if (asked > 0 && ++clientDatagrams_)
        send(upstream_, buffer.data(), asked, 0);
      const ssize_t got = fds[1].revents & POLLIN ? recv(upstream_, buffer.data(), buffer.size(), 0) : 0;
      const Datagram datagram(buffer.begin(), buffer.begin() + std::max<ssize_t>(got, 0));
      std::lock_guard<std::mutex> lock(mutex_);
      for (const Datagram& out : got <= 0  ? std::vector<Datagram>{}
                                 : filter_ ? filter_(datagram)
                                           : std::vector<Datagram>{datagram})
        sendto(listen_, out.data(), out.size(), 0, reinterpret_cast<sockaddr*>(&client), length);
    }
  }

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

using Datagram = std::vector<std::uint8_t>;
using Datagrams = std::vector<Datagram>;
using Change = UdpProxy::Filter;

constexpr std::uint8_t kGetDeviceId = 0x01, kGetSdr = 0x23;
const Target kSatellite{0, 0x2c, 0};  // a controller behind the BMC on IPMB

Request GetDeviceId(Target target = {}) {
  return {netfn::kApp, kGetDeviceId, target, {}};
}

Datagram Repack(const SessionPacket& packet, const IpmbResponseFrame& frame) {
  return EncodeSessionPacket(PayloadType::kIpmiMessage, packet.sessionId, packet.sequence,
                             EncodeResponseFrame(frame), SessionKeys{});
}

// Rewrites the answers of cipher suite 0 sessions into what rewrite returns.
Change Rewriting(std::function<Datagrams(IpmbResponseFrame&, const SessionPacket&)> rewrite) {
  return [rewrite](const Datagram& d) {
    std::optional<IpmbResponseFrame> frame;
    SessionPacket packet;
    try {
      packet = DecodeSessionPacket(d, SessionKeys{});
      if (packet.type == PayloadType::kIpmiMessage && packet.sessionId != 0)
        frame = DecodeIpmbResponse(packet.payload);
    } catch (const std::exception&) {
    }
    return frame ? rewrite(*frame, packet) : Datagrams{d};
  };
}

// After `skip` answers to the command, the next `times` carry completion code cc.
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

// Embeds a bridged answer in the (empty) Send Message response, as some BMCs do.
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

// The outcome: the failure text, or per answer "=XX" (first data byte) or
// "cc=XX"; "same records" when the SDR read equals the one without damage.
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
    const TransportOptions options{std::chrono::milliseconds(300), 2, 8, nullptr};
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
  const auto twice = [](const Datagram& d) { return Datagrams{d, d}; };
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
      {"session, suite 1", 1, nullptr, one, "=20 ", 1},
      {"session, suite 0", 0, nullptr, mixed, "=01 =20 =01 cc=", 4},
      {"silent BMC", 3, drop, one, "no answer from " + port + " to netfn 0x06 command 0x01 after 3 attempts",
       3},
      {"silent during set-up", 3, drop, one, "no answer to Get Channel Authentication Capabilities", 0, true},
      {"lost answer", 3, dropFirst, one, "=20 ", 2},
      {"duplicated answers", 3, twice, std::vector<Request>(6, GetDeviceId()), "=20 =20 =20 =20 =20 =20 ", 6},
      {"busy twice", 0, Failing(kGetDeviceId, 0xc0, 0, 2), one, "=20 ", 3},
      {"busy on", 0, Failing(kGetDeviceId, 0xc0, 0, 9), one, "cc=c0 ", 3},
      {"SDR reservation cancelled", 0, Failing(kGetSdr, 0xc5, 5, 2), {}, "same records"},
      {"flipped AuthCode bit", 3, Damaging([](Datagram& d) { d.back() ^= 0x01; }), one,
       "integrity check failed"},
      {"cut short", 3, Damaging([](Datagram& d) { d.resize(d.size() / 2); }), one, "last packet rejected"},
      {"garbled IPMI message", 0, Damaging([](Datagram& d) { d[d.size() - 3] ^= 0x5a; }), one,
       "checksum mismatch"},
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
      sent = proxy.ClientDatagrams();
      transport.reset();
      EXPECT_EQ(proxy.ClientDatagrams(), sent + 1) << "Close Session";
    }
  }
}

}  // namespace
}  // namespace marlek
