#pragma once
// A minimal RMCP+ BMC on a loopback UDP port, for the session paths a
// simulator cannot show: any cipher suite the library speaks (17 among
// them), and handshakes that go wrong on purpose. It answers Get Channel
// Authentication Capabilities, Open Session, RAKP 1 and 3, and in session
// Get Device ID, Set Session Privilege Level and Close Session.

#include "transport/ipmi_lan_message.h"
#include "transport/rakp_handshake.h"
#include "transport/rmcpplus_session_packet.h"
#include "wire/payload.h"

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <mutex>
#include <optional>
#include <thread>

namespace marlek::testing {

// What the fake BMC does wrong, when asked to.
struct FakeBmcFaults {
  bool wrongRakp2AuthCode = false;
  bool wrongRakp4Icv = false;
  bool chooseOtherIntegrity = false;
  std::optional<std::uint8_t> rakp2Status;
};

class FakeRmcpPlusBmc {
 public:
  using Faults = FakeBmcFaults;

  FakeRmcpPlusBmc(std::string password, Faults faults = {})
      : password_(std::move(password)), faults_(faults) {
    fd_ = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
    socklen_t length = sizeof addr;
    getsockname(fd_, reinterpret_cast<sockaddr*>(&addr), &length);
    port_ = ntohs(addr.sin_port);
    thread_ = std::thread([this] { Loop(); });
  }
  ~FakeRmcpPlusBmc() {
    stop_ = true;
    thread_.join();
    close(fd_);
  }
  FakeRmcpPlusBmc(const FakeRmcpPlusBmc&) = delete;
  FakeRmcpPlusBmc& operator=(const FakeRmcpPlusBmc&) = delete;

  std::uint16_t Port() const { return port_; }
  int SessionsClosed() const { return closed_; }
  int AuthenticatedRequests() const { return requests_; }

 private:
  static constexpr std::uint32_t kManagedSessionId = 0x5a5a0102;

  void Loop() {
    std::vector<std::uint8_t> buffer(2048);
    while (!stop_) {
      pollfd pfd{fd_, POLLIN, 0};
      if (poll(&pfd, 1, 20) <= 0)
        continue;
      sockaddr_in from{};
      socklen_t length = sizeof from;
      const ssize_t got =
          recvfrom(fd_, buffer.data(), buffer.size(), 0, reinterpret_cast<sockaddr*>(&from), &length);
      if (got <= 0)
        continue;
      try {
        const std::optional<Bytes> answer = Handle({buffer.begin(), buffer.begin() + got});
        if (answer)
          sendto(fd_, answer->data(), answer->size(), 0, reinterpret_cast<sockaddr*>(&from), length);
      } catch (const std::exception&) {
        // Not for us: a real BMC drops it too.
      }
    }
  }

  std::optional<Bytes> Handle(const Bytes& datagram) {
    PayloadReader peek(datagram);
    peek.Skip(4);
    if (peek.U8() == 0x00)
      return ChannelCapabilities(DecodeIpmbRequestForTest(DecodeV15UnauthenticatedPacket(datagram)));
    const SessionPacket pre = DecodeSessionPacket(datagram, active_ ? keys_ : SessionKeys{});
    switch (pre.type) {
      case PayloadType::kOpenSessionRequest:
        return OpenSession(pre.payload);
      case PayloadType::kRakp1:
        return Rakp2Message(pre.payload);
      case PayloadType::kRakp3:
        return Rakp4Message(pre.payload);
      case PayloadType::kIpmiMessage:
        return InSession(pre);
      default:
        return std::nullopt;
    }
  }

  struct IpmbRequestForTest {
    std::uint8_t netFn, rqSeq, command;
    Bytes data;
  };
  static IpmbRequestForTest DecodeIpmbRequestForTest(const Bytes& message) {
    PayloadReader in(message.data(), message.size() - 1);
    in.Skip(1);
    IpmbRequestForTest r{};
    r.netFn = in.U8() >> 2;
    in.Skip(2);
    r.rqSeq = in.U8() >> 2;
    r.command = in.U8();
    r.data = in.Rest();
    return r;
  }

  static Bytes ResponseFrame(const IpmbRequestForTest& r, std::uint8_t cc, const Bytes& data) {
    PayloadWriter w;
    w.U8(kRemoteConsoleSwid).U8(static_cast<std::uint8_t>((r.netFn | 1) << 2));
    w.U8(IpmiChecksum(w.Get().data(), 2));
    w.U8(0x20).U8(static_cast<std::uint8_t>(r.rqSeq << 2)).U8(r.command).U8(cc).Bytes(data);
    w.U8(IpmiChecksum(w.Get().data() + 3, w.Get().size() - 3));
    return w.Take();
  }

  Bytes ChannelCapabilities(const IpmbRequestForTest& r) {
    return EncodeV15UnauthenticatedPacket(ResponseFrame(r, 0x00, {0x01, 0x80, 0x04, 0x02, 0, 0, 0, 0}));
  }

  Bytes OpenSession(const Bytes& payload) {
    PayloadReader in(payload);
    const std::uint8_t tag = in.U8();
    in.Skip(3);
    exchange_.consoleSessionId = in.U32le();
    in.Skip(4);
    const std::uint8_t auth = in.U8();
    in.Skip(7);
    const std::uint8_t integrity = in.U8();
    in.Skip(7);
    const std::uint8_t confidentiality = in.U8();
    suite_ = CipherSuite{0, static_cast<AuthAlgorithm>(auth), static_cast<IntegrityAlgorithm>(integrity),
                         static_cast<ConfidentialityAlgorithm>(confidentiality)};
    const std::uint8_t answeredIntegrity =
        faults_.chooseOtherIntegrity ? static_cast<std::uint8_t>(integrity == 1 ? 4 : 1) : integrity;
    exchange_.auth = suite_.auth;
    exchange_.managedSessionId = kManagedSessionId;
    PayloadWriter w;
    w.U8(tag).U8(0).U8(4).U8(0).U32le(exchange_.consoleSessionId).U32le(kManagedSessionId);
    w.U8(0).U16le(0).U8(8).U8(auth).U8(0).U16le(0);
    w.U8(1).U16le(0).U8(8).U8(answeredIntegrity).U8(0).U16le(0);
    w.U8(2).U16le(0).U8(8).U8(confidentiality).U8(0).U16le(0);
    return EncodeSessionPacket(PayloadType::kOpenSessionResponse, 0, 0, w.Take(), SessionKeys{});
  }

  Bytes Rakp2Message(const Bytes& payload) {
    PayloadReader in(payload);
    const std::uint8_t tag = in.U8();
    in.Skip(7);
    exchange_.consoleRandom = in.Bytes(16);
    exchange_.role = in.U8();
    in.Skip(2);
    const std::uint8_t nameLength = in.U8();
    const Bytes name = in.Bytes(nameLength);
    exchange_.username.assign(name.begin(), name.end());
    exchange_.managedRandom = Bytes(16, 0x3c);
    exchange_.managedGuid = Bytes(16, 0xa1);
    exchange_.password.assign(password_.begin(), password_.end());
    Bytes code = Rakp2AuthCode(exchange_);
    if (faults_.wrongRakp2AuthCode && !code.empty())
      code[0] ^= 1;
    PayloadWriter w;
    w.U8(tag).U8(faults_.rakp2Status.value_or(0)).U16le(0).U32le(exchange_.consoleSessionId);
    w.Bytes(exchange_.managedRandom).Bytes(exchange_.managedGuid).Bytes(code);
    return EncodeSessionPacket(PayloadType::kRakp2, 0, 0, w.Take(), SessionKeys{});
  }

  std::optional<Bytes> Rakp4Message(const Bytes& payload) {
    PayloadReader in(payload);
    const std::uint8_t tag = in.U8();
    in.Skip(7);
    if (in.Rest() != Rakp3AuthCode(exchange_))
      return std::nullopt;
    const Bytes sik = SessionIntegrityKey(exchange_);
    Bytes icv = Rakp4IntegrityCheckValue(exchange_, sik);
    if (faults_.wrongRakp4Icv && !icv.empty())
      icv.back() ^= 1;
    keys_.integrity = suite_.integrity;
    keys_.confidentiality = suite_.confidentiality;
    keys_.k1 = DerivedKey(suite_.auth, sik, 1);
    keys_.k2 = DerivedKey(suite_.auth, sik, 2);
    active_ = true;
    PayloadWriter w;
    w.U8(tag).U8(0).U16le(0).U32le(exchange_.consoleSessionId).Bytes(icv);
    return EncodeSessionPacket(PayloadType::kRakp4, 0, 0, w.Take(), SessionKeys{});
  }

  std::optional<Bytes> InSession(const SessionPacket& packet) {
    if (!active_ || packet.sessionId != kManagedSessionId)
      return std::nullopt;
    ++requests_;
    const IpmbRequestForTest r = DecodeIpmbRequestForTest(packet.payload);
    Bytes data;
    if (r.netFn == 0x06 && r.command == 0x01)
      data = {0x20, 0x01, 0x02, 0x03, 0x02, 0xbf, 0x57, 0x01, 0x00, 0x6f, 0x00};
    else if (r.netFn == 0x06 && r.command == 0x3b)
      data = {0x04};
    else if (r.netFn == 0x06 && r.command == 0x3c)
      ++closed_;
    return EncodeSessionPacket(PayloadType::kIpmiMessage, exchange_.consoleSessionId, ++outbound_,
                               ResponseFrame(r, 0x00, data), keys_);
  }

  std::string password_;
  Faults faults_;
  int fd_ = -1;
  std::uint16_t port_ = 0;
  std::atomic<bool> stop_{false};
  std::thread thread_;
  // The session, touched by the server thread only.
  RakpExchange exchange_;
  CipherSuite suite_;
  SessionKeys keys_;
  bool active_ = false;
  std::uint32_t outbound_ = 0;
  std::atomic<int> closed_{0};
  std::atomic<int> requests_{0};
};

}  // namespace marlek::testing
