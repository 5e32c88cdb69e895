#pragma once
// The IPMI v2.0 (RMCP+) session wrapper: the session header (format 06h,
// payload type with its encrypted/authenticated bits, session ID, session
// sequence number, payload length), the payload, encrypted with
// AES-CBC-128 when the session's confidentiality asks for it, and the
// integrity trailer (pad, pad length, next header, AuthCode).
//
// Also the IPMI v1.5 wrapper without authentication, which carries Get
// Channel Authentication Capabilities before any session exists.

#include "transport/lan/cipher_suite.h"
#include "transport/lan/rmcpplus_crypto.h"
#include "wire/payload.h"

#include <cstdint>
#include <vector>

namespace marlek {

enum class PayloadType : std::uint8_t {
  kIpmiMessage = 0x00,
  kOpenSessionRequest = 0x10,
  kOpenSessionResponse = 0x11,
  kRakp1 = 0x12,
  kRakp2 = 0x13,
  kRakp3 = 0x14,
  kRakp4 = 0x15,
};

// What an active session protects its packets with. Default-constructed:
// nothing (the packets before and during the RAKP exchange).
struct SessionKeys {
  IntegrityAlgorithm integrity = IntegrityAlgorithm::kNone;
  ConfidentialityAlgorithm confidentiality = ConfidentialityAlgorithm::kNone;
  Bytes k1;  // integrity key
  Bytes k2;  // its first 16 bytes are the AES key
};

struct SessionPacket {
  PayloadType type = PayloadType::kIpmiMessage;
  bool encrypted = false;
  bool authenticated = false;
  std::uint32_t sessionId = 0;
  std::uint32_t sequence = 0;
  Bytes payload;  // decrypted
};

// A whole datagram, RMCP header included. The payload is encrypted (with a
// fresh random IV) and authenticated as keys say.
Bytes EncodeSessionPacket(PayloadType type, std::uint32_t sessionId, std::uint32_t sequence,
                          const Bytes& payload, const SessionKeys& keys);

// Decodes a datagram, checks its integrity and decrypts it. Throws
// WireFormatError (or TruncatedPayload) for anything that is not a packet
// of this session: a failed integrity check, bad padding, an unprotected
// packet where keys require protection.
SessionPacket DecodeSessionPacket(const Bytes& datagram, const SessionKeys& keys);

// The confidentiality step alone: IV followed by the AES-CBC-128 encryption
// of the payload with its confidentiality pad (01h, 02h, ... and its length).
Bytes EncryptPayloadAesCbc128(const Bytes& k2, const Bytes& iv, const Bytes& payload);
Bytes DecryptPayloadAesCbc128(const Bytes& k2, const Bytes& ivAndCipher);

// The integrity step alone: the AuthCode of the bytes from the session
// header's format byte through the next-header byte.
Bytes IntegrityAuthCode(IntegrityAlgorithm integrity, const Bytes& k1, const Bytes& covered);

// IPMI v1.5 session wrapper with authentication type none, session 0.
Bytes EncodeV15UnauthenticatedPacket(const Bytes& message);
// Returns the IPMI message; throws WireFormatError for anything else.
Bytes DecodeV15UnauthenticatedPacket(const Bytes& datagram);

}  // namespace marlek
