#include "transport/lan/rakp_handshake.h"

#include "tables/name_table.h"
#include "transport/wire_error.h"
#include "wire/payload.h"

namespace marlek {
namespace {

constexpr std::size_t kRandomLength = 16;
constexpr std::size_t kGuidLength = 16;
constexpr std::size_t kMaxUsernameLength = 16;

enum AlgorithmPayloadType : std::uint8_t {
  kAuthPayload = 0x00,
  kIntegrityPayload = 0x01,
  kConfPayload = 0x02
};

void EncodeAlgorithmPayload(PayloadWriter& out, AlgorithmPayloadType type, std::uint8_t algorithm) {
  out.U8(type).U16le(0).U8(8).U8(algorithm).U8(0).U16le(0);
}

std::uint8_t DecodeAlgorithmPayload(PayloadReader& in, AlgorithmPayloadType type) {
  const std::uint8_t gotType = in.U8();
  in.Skip(2);
  const std::uint8_t length = in.U8();
  const std::uint8_t algorithm = in.U8() & 0x3f;
  in.Skip(3);
  if (gotType != type || length != 8)
    throw WireFormatError("Open Session response: malformed algorithm payload");
  return algorithm;
}

Bytes Concat(std::initializer_list<const Bytes*> parts) {
  Bytes out;
  for (const Bytes* part : parts)
    out.insert(out.end(), part->begin(), part->end());
  return out;
}

Bytes Le32(std::uint32_t v) {
  return PayloadWriter().U32le(v).Take();
}

Bytes RoleAndName(const RakpExchange& x) {
  return PayloadWriter()
      .U8(x.role)
      .U8(static_cast<std::uint8_t>(x.username.size()))
      .Bytes(Bytes(x.username.begin(), x.username.end()))
      .Take();
}

Bytes Truncated(Bytes bytes, std::size_t length) {
  bytes.resize(length);
  return bytes;
}

}  // namespace

const char* RmcpPlusStatusText(std::uint8_t status) {
  static const char* const kTexts[] = {
      "No errors",
      "Insufficient resources to create a session",
      "Invalid Session ID",
      "Invalid payload type",
      "Invalid authentication algorithm",
      "Invalid integrity algorithm",
      "No matching authentication payload",
      "No matching integrity payload",
      "Inactive Session ID",
      "Invalid role",
      "Unauthorized role or privilege level requested",
      "Insufficient resources to create a session at the requested role",
      "Invalid name length",
      "Unauthorized name",
      "Unauthorized GUID",
      "Invalid integrity check value",
      "Invalid confidentiality algorithm",
      "No Cipher Suite match with proposed security algorithms",
      "Illegal or Unrecognized parameter",
  };
  const char* text = NameAt(kTexts, status);
  return text ? text : "Reserved status code";
}

Bytes EncodeOpenSessionRequest(const OpenSessionRequest& request) {
  PayloadWriter out;
  out.U8(request.messageTag).U8(request.maxPrivilege).U16le(0).U32le(request.consoleSessionId);
  EncodeAlgorithmPayload(out, kAuthPayload, static_cast<std::uint8_t>(request.suite.auth));
  EncodeAlgorithmPayload(out, kIntegrityPayload, static_cast<std::uint8_t>(request.suite.integrity));
  EncodeAlgorithmPayload(out, kConfPayload, static_cast<std::uint8_t>(request.suite.confidentiality));
  return out.Take();
}

OpenSessionResponse DecodeOpenSessionResponse(const Bytes& payload) {
  PayloadReader in(payload, "Open Session response");
  OpenSessionResponse r;
  r.messageTag = in.U8();
  r.status = in.U8();
  if (r.status != kRmcpPlusStatusOk)
    return r;
  r.maxPrivilege = in.U8() & 0x0f;
  in.Skip(1);
  r.consoleSessionId = in.U32le();
  r.managedSessionId = in.U32le();
  r.auth = static_cast<AuthAlgorithm>(DecodeAlgorithmPayload(in, kAuthPayload));
  r.integrity = static_cast<IntegrityAlgorithm>(DecodeAlgorithmPayload(in, kIntegrityPayload));
  r.confidentiality = static_cast<ConfidentialityAlgorithm>(DecodeAlgorithmPayload(in, kConfPayload));
  return r;
}

Bytes EncodeRakp1(const Rakp1& m) {
  if (m.username.size() > kMaxUsernameLength)
    throw std::invalid_argument("user name longer than 16 bytes");
  if (m.consoleRandom.size() != kRandomLength)
    throw std::invalid_argument("RAKP 1: the console random number must be 16 bytes");
  return PayloadWriter()
      .U8(m.messageTag)
      .U8(0)
      .U16le(0)
      .U32le(m.managedSessionId)
      .Bytes(m.consoleRandom)
      .U8(m.role)
      .U16le(0)
      .U8(static_cast<std::uint8_t>(m.username.size()))
      .Bytes(Bytes(m.username.begin(), m.username.end()))
      .Take();
}

Rakp2 DecodeRakp2(const Bytes& payload) {
  PayloadReader in(payload, "RAKP message 2");
  Rakp2 m;
  m.messageTag = in.U8();
  m.status = in.U8();
  if (m.status != kRmcpPlusStatusOk)
    return m;
  in.Skip(2);
  m.consoleSessionId = in.U32le();
  m.managedRandom = in.Bytes(kRandomLength);
  m.managedGuid = in.Bytes(kGuidLength);
  m.authCode = in.Rest();
  return m;
}

Bytes EncodeRakp3(const Rakp3& m) {
  return PayloadWriter()
      .U8(m.messageTag)
      .U8(m.status)
      .U16le(0)
      .U32le(m.managedSessionId)
      .Bytes(m.authCode)
      .Take();
}

Rakp4 DecodeRakp4(const Bytes& payload) {
  PayloadReader in(payload, "RAKP message 4");
  Rakp4 m;
  m.messageTag = in.U8();
  m.status = in.U8();
  if (m.status != kRmcpPlusStatusOk)
    return m;
  in.Skip(2);
  m.consoleSessionId = in.U32le();
  m.integrityCheckValue = in.Rest();
  return m;
}

Bytes Rakp2AuthCode(const RakpExchange& x) {
  if (x.auth == AuthAlgorithm::kNone)
    return {};
  const Bytes sidm = Le32(x.consoleSessionId);
  const Bytes sidc = Le32(x.managedSessionId);
  const Bytes tail = RoleAndName(x);
  return Hmac(HashOf(x.auth), x.password,
              Concat({&sidm, &sidc, &x.consoleRandom, &x.managedRandom, &x.managedGuid, &tail}));
}

Bytes Rakp3AuthCode(const RakpExchange& x) {
  if (x.auth == AuthAlgorithm::kNone)
    return {};
  const Bytes sidm = Le32(x.consoleSessionId);
  const Bytes tail = RoleAndName(x);
  return Hmac(HashOf(x.auth), x.password, Concat({&x.managedRandom, &sidm, &tail}));
}

Bytes SessionIntegrityKey(const RakpExchange& x) {
  if (x.auth == AuthAlgorithm::kNone)
    return {};
  const Bytes tail = RoleAndName(x);
  return Hmac(HashOf(x.auth), x.kg.empty() ? x.password : x.kg,
              Concat({&x.consoleRandom, &x.managedRandom, &tail}));
}

Bytes Rakp4IntegrityCheckValue(const RakpExchange& x, const Bytes& sik) {
  if (x.auth == AuthAlgorithm::kNone)
    return {};
  const Bytes sidc = Le32(x.managedSessionId);
  const Bytes icv = Hmac(HashOf(x.auth), sik, Concat({&x.consoleRandom, &sidc, &x.managedGuid}));
  return Truncated(icv, x.auth == AuthAlgorithm::kHmacSha256 ? 16 : 12);
}

Bytes DerivedKey(AuthAlgorithm auth, const Bytes& sik, std::uint8_t constant) {
  if (auth == AuthAlgorithm::kNone)
    return {};
  const HashAlgorithm hash = HashOf(auth);
  return Hmac(hash, sik, Bytes(DigestLength(hash), constant));
}

}  // namespace marlek
