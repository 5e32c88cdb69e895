#pragma once
// The RMCP+ session establishment messages (Open Session and RAKP messages
// 1 to 4) and the RAKP key exchange computations: the AuthCodes exchanged
// in RAKP 2 and 3, the session integrity key (SIK), the integrity check
// value of RAKP 4, and the derived keys K1 and K2.

#include "transport/lan/cipher_suite.h"
#include "transport/lan/rmcpplus_crypto.h"

#include <cstdint>
#include <string>

namespace marlek {

// RMCP+ status code 00h: no errors.
constexpr std::uint8_t kRmcpPlusStatusOk = 0x00;

// Text for an RMCP+ status code (IPMI v2.0 table 13-15).
const char* RmcpPlusStatusText(std::uint8_t status);

struct OpenSessionRequest {
  std::uint8_t messageTag = 0;
  std::uint8_t maxPrivilege = 0;  // 0: the highest the algorithms allow
  std::uint32_t consoleSessionId = 0;
  CipherSuite suite;
};

struct OpenSessionResponse {
  std::uint8_t messageTag = 0;
  std::uint8_t status = 0;
  std::uint8_t maxPrivilege = 0;
  std::uint32_t consoleSessionId = 0;
  std::uint32_t managedSessionId = 0;  // this and the rest only when status is 0
  AuthAlgorithm auth = AuthAlgorithm::kNone;
  IntegrityAlgorithm integrity = IntegrityAlgorithm::kNone;
  ConfidentialityAlgorithm confidentiality = ConfidentialityAlgorithm::kNone;
};

struct Rakp1 {
  std::uint8_t messageTag = 0;
  std::uint32_t managedSessionId = 0;
  Bytes consoleRandom;    // 16 bytes
  std::uint8_t role = 0;  // requested maximum privilege; bit 4: name-only lookup
  std::string username;   // up to 16 bytes
};

struct Rakp2 {
  std::uint8_t messageTag = 0;
  std::uint8_t status = 0;
  std::uint32_t consoleSessionId = 0;
  Bytes managedRandom;  // 16 bytes
  Bytes managedGuid;    // 16 bytes
  Bytes authCode;       // key exchange AuthCode
};

struct Rakp3 {
  std::uint8_t messageTag = 0;
  std::uint8_t status = 0;
  std::uint32_t managedSessionId = 0;
  Bytes authCode;
};

struct Rakp4 {
  std::uint8_t messageTag = 0;
  std::uint8_t status = 0;
  std::uint32_t consoleSessionId = 0;
  Bytes integrityCheckValue;
};

Bytes EncodeOpenSessionRequest(const OpenSessionRequest& request);
// The decoders stop after the status when it is not 0.
OpenSessionResponse DecodeOpenSessionResponse(const Bytes& payload);
Bytes EncodeRakp1(const Rakp1& message);
Rakp2 DecodeRakp2(const Bytes& payload);
Bytes EncodeRakp3(const Rakp3& message);
Rakp4 DecodeRakp4(const Bytes& payload);

// Everything both sides know once RAKP 2 has arrived.
struct RakpExchange {
  AuthAlgorithm auth = AuthAlgorithm::kHmacSha1;
  std::uint32_t consoleSessionId = 0;  // SIDm
  std::uint32_t managedSessionId = 0;  // SIDc
  Bytes consoleRandom;                 // Rm
  Bytes managedRandom;                 // Rc
  Bytes managedGuid;                   // GUIDc
  std::uint8_t role = 0;               // ROLEm, as sent in RAKP 1
  std::string username;
  Bytes password;  // K_UID
  Bytes kg;        // K_G, the BMC key; empty: the password is used
};

// The AuthCode RAKP 2 must carry.
Bytes Rakp2AuthCode(const RakpExchange& x);
// The AuthCode to send in RAKP 3.
Bytes Rakp3AuthCode(const RakpExchange& x);
Bytes SessionIntegrityKey(const RakpExchange& x);
// The integrity check value RAKP 4 must carry (truncated as the algorithm says).
Bytes Rakp4IntegrityCheckValue(const RakpExchange& x, const Bytes& sik);
// K_n = HMAC(SIK, n repeated to the digest length), n = 1 or 2.
Bytes DerivedKey(AuthAlgorithm auth, const Bytes& sik, std::uint8_t constant);

}  // namespace marlek
