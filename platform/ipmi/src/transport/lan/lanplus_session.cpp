#include "transport/lan/lanplus_session.h"

#include "transport/lan/ipmi_lan_message.h"
#include "transport/lan/rakp_handshake.h"
#include "transport/trace.h"
#include "transport/wire_error.h"
#include "wire/completion_code.h"
#include "wire/hex_text.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <optional>

namespace marlek {
namespace {

constexpr std::uint8_t kNameOnlyLookup = 0x10;

template <typename T>
using Decoder = std::function<std::optional<T>(const Bytes& datagram)>;

// Sends datagram until decode accepts an answer, within the configured
// timeout and retries. Datagrams decode rejects (nullopt or a wire error)
// are ignored; the last wire error goes into the failure text.
template <typename T>
T Exchange(UdpSocket& socket, const TransportOptions& options, const Bytes& datagram, const char* step,
           const Decoder<T>& decode) {
  std::string lastRejected;
  const Trace* trace = options.trace.get();
  for (int attempt = 0; attempt <= options.retries; ++attempt) {
    if (trace)
      trace->Step(std::string("-> ") + step + (attempt ? " (sent again)" : "") + ", " +
                  std::to_string(datagram.size()) + " bytes **");
    socket.Send(datagram);
    const auto deadline = UdpSocket::Clock::now() + options.timeout;
    while (auto answer = socket.Receive(deadline)) {
      try {
        if (std::optional<T> decoded = decode(*answer)) {
          if (trace)
            trace->Step(std::string("<- answer to ") + step + ", " + std::to_string(answer->size()) +
                        " bytes **");
          return *decoded;
        }
      } catch (const WireFormatError& e) {
        lastRejected = e.what();
      } catch (const TruncatedPayload& e) {
        lastRejected = e.what();
      }
      if (trace)
        trace->Step("<- datagram dropped" + (lastRejected.empty() ? "" : ": " + lastRejected));
    }
  }
  const int attempts = options.retries + 1;
  std::string text = std::string("no answer to ") + step + " within " +
                     std::to_string(options.timeout.count() * attempts) + " ms (" + std::to_string(attempts) +
                     (attempts == 1 ? " attempt)" : " attempts)");
  if (!lastRejected.empty())
    text += " (last packet rejected: " + lastRejected + ")";
  throw SessionTimeout(text);
}

// A BMC that has moved on to the next step of the RAKP exchange need not
// answer a repeated message for the previous one: a lost answer there is
// made good by a new handshake rather than by sending the message again.
// (A repeated Open Session request only opens one more session, so that
// one is sent again as usual.)
TransportOptions OneAttempt(const LanConfig& config) {
  TransportOptions once = config.options;
  once.retries = 0;
  return once;
}

std::optional<Bytes> PayloadOf(const Bytes& datagram, PayloadType expected) {
  SessionPacket packet = DecodeSessionPacket(datagram, SessionKeys{});
  if (packet.type != expected)
    return std::nullopt;
  return std::move(packet.payload);
}

void CheckStatus(std::uint8_t status, const char* step) {
  if (status != kRmcpPlusStatusOk)
    throw SessionError(std::string(step) + " refused by the BMC: " + RmcpPlusStatusText(status) + " (" +
                       Hex(status) + ")");
}

// Get Channel Authentication Capabilities needs no session and changes
// nothing, so it is asked often within the usual time: four times per
// timeout. Lost datagrams then cost little, and a slow answer to an
// earlier attempt still counts.
TransportOptions Frequent(const TransportOptions& options) {
  constexpr int kPerTimeout = 4;
  TransportOptions frequent = options;
  frequent.timeout = std::max(options.timeout / kPerTimeout, std::chrono::milliseconds(1));
  frequent.retries = (options.retries + 1) * kPerTimeout - 1;
  return frequent;
}

void CheckChannelCapabilities(UdpSocket& socket, const LanConfig& config) {
  IpmbRequestFrame frame;
  const Request request = GetChannelAuthCapabilitiesRequest(config.privilege);
  frame.netFn = request.netFn;
  frame.command = request.command;
  frame.data = request.data;
  const Bytes datagram = EncodeV15UnauthenticatedPacket(EncodeIpmbRequest(frame));
  const Decoder<IpmbResponseFrame> decode = [&](const Bytes& answer) -> std::optional<IpmbResponseFrame> {
    IpmbResponseFrame r = DecodeIpmbResponse(DecodeV15UnauthenticatedPacket(answer));
    if (r.command != request.command)
      return std::nullopt;
    return r;
  };
  const IpmbResponseFrame r = Exchange(socket, config.firstContact.value_or(Frequent(config.options)),
                                       datagram, "Get Channel Authentication Capabilities", decode);
  if (r.completionCode != 0)
    throw SessionError("Get Channel Authentication Capabilities failed: " +
                       DescribeCompletionCode(r.completionCode));
  const ChannelAuthCapabilities caps = DecodeChannelAuthCapabilities(Response{r.completionCode, r.data});
  if (!caps.supportsIpmi20)
    throw SessionError("the BMC does not offer IPMI v2.0 (RMCP+) sessions");
}

std::uint32_t NonZeroRandom32() {
  for (;;) {
    const Bytes b = RandomBytes(4);
    const std::uint32_t v = PayloadReader(b).U32le();
    if (v != 0)
      return v;
  }
}

OpenSessionResponse OpenSession(UdpSocket& socket, const LanConfig& config, const CipherSuite& suite,
                                std::uint32_t consoleSessionId, std::uint8_t tag) {
  OpenSessionRequest request;
  request.messageTag = tag;
  request.maxPrivilege = static_cast<std::uint8_t>(config.privilege);
  request.consoleSessionId = consoleSessionId;
  request.suite = suite;
  const Bytes datagram = EncodeSessionPacket(PayloadType::kOpenSessionRequest, 0, 0,
                                             EncodeOpenSessionRequest(request), SessionKeys{});
  const Decoder<OpenSessionResponse> decode = [&](const Bytes& answer) -> std::optional<OpenSessionResponse> {
    const std::optional<Bytes> payload = PayloadOf(answer, PayloadType::kOpenSessionResponse);
    if (!payload)
      return std::nullopt;
    OpenSessionResponse r = DecodeOpenSessionResponse(*payload);
    if (r.messageTag != tag)
      return std::nullopt;
    return r;
  };
  OpenSessionResponse r = Exchange(socket, config.options, datagram, "Open Session", decode);
  CheckStatus(r.status, "Open Session");
  if (r.consoleSessionId != consoleSessionId)
    throw SessionError("Open Session response names another session");
  if (r.auth != suite.auth || r.integrity != suite.integrity || r.confidentiality != suite.confidentiality)
    throw SessionError("the BMC chose algorithms other than cipher suite " + std::to_string(suite.id));
  return r;
}

const CipherSuite& RequireUsableSuite(const LanConfig& config, std::optional<CipherSuite>& holder) {
  holder = LookupCipherSuite(config.cipherSuite);
  if (!holder)
    throw SessionError("cipher suite " + std::to_string(config.cipherSuite) + " is not supported");
  if (holder->id == 0 && !config.cipherSuiteZeroAllowed)
    throw SessionError("cipher suite 0 (no authentication) is refused unless configured explicitly");
  return *holder;
}

// Open Session and RAKP messages 1 to 4.
EstablishedSession Handshake(UdpSocket& socket, const LanConfig& config, const CipherSuite& suite) {
  RakpExchange x;
  x.auth = suite.auth;
  x.consoleSessionId = NonZeroRandom32();
  const std::uint8_t tag = static_cast<std::uint8_t>(x.consoleSessionId & 0x3f);
  x.managedSessionId = OpenSession(socket, config, suite, x.consoleSessionId, tag).managedSessionId;
  x.consoleRandom = RandomBytes(16);
  x.role = static_cast<std::uint8_t>(kNameOnlyLookup | static_cast<std::uint8_t>(config.privilege));
  x.username = config.username;
  x.password.assign(config.password.begin(), config.password.end());
  x.kg.assign(config.kg.begin(), config.kg.end());

  Rakp1 rakp1{static_cast<std::uint8_t>(tag + 1), x.managedSessionId, x.consoleRandom, x.role, x.username};
  const Decoder<Rakp2> decode2 = [&](const Bytes& answer) -> std::optional<Rakp2> {
    const std::optional<Bytes> payload = PayloadOf(answer, PayloadType::kRakp2);
    if (!payload)
      return std::nullopt;
    Rakp2 r = DecodeRakp2(*payload);
    return r.messageTag == rakp1.messageTag ? std::optional<Rakp2>(r) : std::nullopt;
  };
  const Rakp2 rakp2 =
      Exchange(socket, OneAttempt(config),
               EncodeSessionPacket(PayloadType::kRakp1, 0, 0, EncodeRakp1(rakp1), SessionKeys{}),
               "RAKP message 1", decode2);
  CheckStatus(rakp2.status, "RAKP message 1");
  if (rakp2.consoleSessionId != x.consoleSessionId)
    throw SessionError("RAKP message 2 names another session");
  x.managedRandom = rakp2.managedRandom;
  x.managedGuid = rakp2.managedGuid;
  if (!ConstantTimeEqual(Rakp2AuthCode(x), rakp2.authCode))
    throw SessionError("RAKP message 2 rejected: the BMC does not accept this user name and password");

  const Bytes sik = SessionIntegrityKey(x);
  Rakp3 rakp3{static_cast<std::uint8_t>(tag + 2), kRmcpPlusStatusOk, x.managedSessionId, Rakp3AuthCode(x)};
  const Decoder<Rakp4> decode4 = [&](const Bytes& answer) -> std::optional<Rakp4> {
    const std::optional<Bytes> payload = PayloadOf(answer, PayloadType::kRakp4);
    if (!payload)
      return std::nullopt;
    Rakp4 r = DecodeRakp4(*payload);
    return r.messageTag == rakp3.messageTag ? std::optional<Rakp4>(r) : std::nullopt;
  };
  const Rakp4 rakp4 =
      Exchange(socket, OneAttempt(config),
               EncodeSessionPacket(PayloadType::kRakp3, 0, 0, EncodeRakp3(rakp3), SessionKeys{}),
               "RAKP message 3", decode4);
  CheckStatus(rakp4.status, "RAKP message 3");
  if (rakp4.consoleSessionId != x.consoleSessionId ||
      !ConstantTimeEqual(Rakp4IntegrityCheckValue(x, sik), rakp4.integrityCheckValue))
    throw SessionError("RAKP message 4 has a wrong integrity check value");

  EstablishedSession session;
  session.consoleSessionId = x.consoleSessionId;
  session.managedSessionId = x.managedSessionId;
  session.keys.integrity = suite.integrity;
  session.keys.confidentiality = suite.confidentiality;
  session.keys.k1 = DerivedKey(suite.auth, sik, 0x01);
  session.keys.k2 = DerivedKey(suite.auth, sik, 0x02);
  return session;
}

}  // namespace

EstablishedSession EstablishSession(UdpSocket& socket, const LanConfig& config) {
  const int handshakes = config.options.retries + 4;
  std::optional<CipherSuite> holder;
  const CipherSuite& suite = RequireUsableSuite(config, holder);
  if (config.username.size() > 16)
    throw SessionError("user name longer than 16 bytes");
  CheckChannelCapabilities(socket, config);
  std::string verdict;
  int timeouts = 0;
  for (int handshake = 1;; ++handshake) {
    try {
      return Handshake(socket, config, suite);
    } catch (const SessionTimeout&) {
      if (++timeouts > config.options.retries + 2 || handshake >= handshakes)
        throw;
    } catch (const SessionError& e) {
      if (e.what() == verdict || handshake >= handshakes)
        throw;
      verdict = e.what();
    }
  }
}

}  // namespace marlek
