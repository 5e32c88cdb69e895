#include "transport/lan/rmcpplus_session_packet.h"

#include "transport/lan/rmcp_frame.h"
#include "transport/wire_error.h"

#include <string>

namespace marlek {
namespace {

constexpr std::uint8_t kFormatIpmi20 = 0x06;
constexpr std::uint8_t kFormatNone = 0x00;
constexpr std::uint8_t kEncryptedBit = 0x80;
constexpr std::uint8_t kAuthenticatedBit = 0x40;
constexpr std::uint8_t kNextHeader = 0x07;
constexpr std::size_t kSessionHeaderSize = 12;  // format byte through payload length

std::uint8_t PayloadTypeByte(PayloadType type, bool encrypted, bool authenticated) {
  return static_cast<std::uint8_t>(static_cast<std::uint8_t>(type) | (encrypted ? kEncryptedBit : 0) |
                                   (authenticated ? kAuthenticatedBit : 0));
}

std::size_t IntegrityPadLength(std::size_t payloadLength) {
  // Format byte through next header must be a multiple of four bytes long.
  return (4 - (kSessionHeaderSize + payloadLength + 2) % 4) % 4;
}

void RequireIpmiClass(PayloadReader& in) {
  const RmcpHeader header = DecodeRmcpHeader(in);
  if (header.messageClass != rmcp::kClassIpmi || header.isAck)
    throw WireFormatError("RMCP message of class " + std::to_string(header.messageClass) + ", not IPMI");
}

void VerifyTrailer(const Bytes& datagram, PayloadReader& in, const SessionKeys& keys) {
  const std::size_t authLength = AuthCodeLength(keys.integrity);
  if (in.Remaining() < authLength + 2)
    throw TruncatedPayload("RMCP+ session trailer: too short for its AuthCode");
  const std::size_t padLength = in.Remaining() - authLength - 2;
  const Bytes pad = in.Bytes(padLength);
  const std::uint8_t declaredPad = in.U8();
  const std::uint8_t nextHeader = in.U8();
  const Bytes authCode = in.Bytes(authLength);
  in.ExpectEnd();
  if (declaredPad != padLength || nextHeader != kNextHeader)
    throw WireFormatError("RMCP+ session trailer: malformed pad or next header");
  const Bytes covered(datagram.begin() + rmcp::kHeaderSize, datagram.end() - static_cast<long>(authLength));
  if (!ConstantTimeEqual(IntegrityAuthCode(keys.integrity, keys.k1, covered), authCode))
    throw WireFormatError("RMCP+ session: integrity check failed");
}

}  // namespace

Bytes IntegrityAuthCode(IntegrityAlgorithm integrity, const Bytes& k1, const Bytes& covered) {
  Bytes code = Hmac(HashOf(integrity), k1, covered);
  code.resize(AuthCodeLength(integrity));
  return code;
}

Bytes EncryptPayloadAesCbc128(const Bytes& k2, const Bytes& iv, const Bytes& payload) {
  Bytes plain = payload;
  const std::size_t padLength = (kAesBlockSize - (payload.size() + 1) % kAesBlockSize) % kAesBlockSize;
  for (std::size_t i = 1; i <= padLength; ++i)
    plain.push_back(static_cast<std::uint8_t>(i));
  plain.push_back(static_cast<std::uint8_t>(padLength));
  const Bytes key(k2.begin(), k2.begin() + static_cast<long>(std::min(k2.size(), kAesBlockSize)));
  Bytes out = iv;
  const Bytes cipher = AesCbc128Encrypt(key, iv, plain);
  out.insert(out.end(), cipher.begin(), cipher.end());
  return out;
}

Bytes DecryptPayloadAesCbc128(const Bytes& k2, const Bytes& ivAndCipher) {
  PayloadReader in(ivAndCipher, "AES-CBC-128 payload");
  const Bytes iv = in.Bytes(kAesBlockSize);
  const Bytes cipher = in.Rest();
  if (cipher.empty() || cipher.size() % kAesBlockSize != 0)
    throw WireFormatError("AES-CBC-128 payload: " + std::to_string(cipher.size()) +
                          " bytes after the IV, not a whole number of blocks");
  const Bytes key(k2.begin(), k2.begin() + static_cast<long>(std::min(k2.size(), kAesBlockSize)));
  Bytes plain = AesCbc128Decrypt(key, iv, cipher);
  const std::size_t padLength = plain.back();
  if (padLength >= kAesBlockSize || padLength + 1 > plain.size())
    throw WireFormatError("AES-CBC-128 payload: bad confidentiality pad length");
  const std::size_t dataLength = plain.size() - padLength - 1;
  PayloadReader padReader(plain.data() + dataLength, padLength, "confidentiality pad");
  for (std::size_t i = 1; i <= padLength; ++i) {
    if (padReader.U8() != i)
      throw WireFormatError("AES-CBC-128 payload: bad confidentiality pad");
  }
  plain.resize(dataLength);
  return plain;
}

Bytes EncodeSessionPacket(PayloadType type, std::uint32_t sessionId, std::uint32_t sequence,
                          const Bytes& payload, const SessionKeys& keys) {
  const bool encrypt = keys.confidentiality == ConfidentialityAlgorithm::kAesCbc128;
  const bool authenticate = keys.integrity != IntegrityAlgorithm::kNone;
  const Bytes body =
      encrypt ? EncryptPayloadAesCbc128(keys.k2, RandomBytes(kAesBlockSize), payload) : payload;

  PayloadWriter out;
  EncodeRmcpHeader(out, RmcpHeader{});
  out.U8(kFormatIpmi20).U8(PayloadTypeByte(type, encrypt, authenticate));
  out.U32le(sessionId).U32le(sequence).U16le(static_cast<std::uint16_t>(body.size())).Bytes(body);
  if (!authenticate)
    return out.Take();
  const std::size_t padLength = IntegrityPadLength(body.size());
  for (std::size_t i = 0; i < padLength; ++i)
    out.U8(0xff);
  out.U8(static_cast<std::uint8_t>(padLength)).U8(kNextHeader);
  const Bytes covered(out.Get().begin() + rmcp::kHeaderSize, out.Get().end());
  out.Bytes(IntegrityAuthCode(keys.integrity, keys.k1, covered));
  return out.Take();
}

SessionPacket DecodeSessionPacket(const Bytes& datagram, const SessionKeys& keys) {
  PayloadReader in(datagram, "RMCP+ session packet");
  RequireIpmiClass(in);
  if (in.U8() != kFormatIpmi20)
    throw WireFormatError("RMCP+ session packet: not in IPMI v2.0 format");
  const std::uint8_t typeByte = in.U8();
  SessionPacket packet;
  packet.type = static_cast<PayloadType>(typeByte & 0x3f);
  packet.encrypted = (typeByte & kEncryptedBit) != 0;
  packet.authenticated = (typeByte & kAuthenticatedBit) != 0;
  packet.sessionId = in.U32le();
  packet.sequence = in.U32le();
  const std::uint16_t length = in.U16le();
  Bytes body = in.Bytes(length);

  const bool needIntegrity = keys.integrity != IntegrityAlgorithm::kNone;
  const bool needConfidentiality = keys.confidentiality != ConfidentialityAlgorithm::kNone;
  if (packet.authenticated != needIntegrity)
    throw WireFormatError(needIntegrity ? "RMCP+ session packet: not authenticated"
                                        : "RMCP+ session packet: authenticated outside a session");
  if (packet.encrypted && !needConfidentiality)
    throw WireFormatError("RMCP+ session packet: encrypted outside a confidential session");
  if (needConfidentiality && !packet.encrypted && packet.type == PayloadType::kIpmiMessage)
    throw WireFormatError("RMCP+ session packet: not encrypted");
  if (packet.authenticated)
    VerifyTrailer(datagram, in, keys);
  else
    in.ExpectEnd();
  packet.payload = packet.encrypted ? DecryptPayloadAesCbc128(keys.k2, body) : std::move(body);
  return packet;
}

Bytes EncodeV15UnauthenticatedPacket(const Bytes& message) {
  PayloadWriter out;
  EncodeRmcpHeader(out, RmcpHeader{});
  out.U8(kFormatNone).U32le(0).U32le(0).U8(static_cast<std::uint8_t>(message.size())).Bytes(message);
  return out.Take();
}

Bytes DecodeV15UnauthenticatedPacket(const Bytes& datagram) {
  PayloadReader in(datagram, "IPMI v1.5 packet");
  RequireIpmiClass(in);
  if (in.U8() != kFormatNone)
    throw WireFormatError("IPMI v1.5 packet: authentication type other than none");
  in.Skip(8);  // session sequence number and session ID, both 0
  const std::uint8_t length = in.U8();
  Bytes message = in.Bytes(length);
  return message;
}

}  // namespace marlek
