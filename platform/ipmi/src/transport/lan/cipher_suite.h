#pragma once
// RMCP+ cipher suites: the authentication, integrity and confidentiality
// algorithms a session uses, as numbered in IPMI v2.0 tables 13-17 to 13-19.

#include "transport/lan/rmcpplus_crypto.h"

#include <cstdint>
#include <optional>

namespace marlek {

enum class AuthAlgorithm : std::uint8_t { kNone = 0x00, kHmacSha1 = 0x01, kHmacSha256 = 0x03 };
enum class IntegrityAlgorithm : std::uint8_t { kNone = 0x00, kHmacSha1_96 = 0x01, kHmacSha256_128 = 0x04 };
enum class ConfidentialityAlgorithm : std::uint8_t { kNone = 0x00, kAesCbc128 = 0x01 };

struct CipherSuite {
  int id = 3;
  AuthAlgorithm auth = AuthAlgorithm::kHmacSha1;
  IntegrityAlgorithm integrity = IntegrityAlgorithm::kHmacSha1_96;
  ConfidentialityAlgorithm confidentiality = ConfidentialityAlgorithm::kAesCbc128;
};

// The suites this library speaks (0, 1, 2, 3, 15, 16, 17); empty for others.
std::optional<CipherSuite> LookupCipherSuite(int id);

// The hash behind an authentication or integrity algorithm (not for kNone).
HashAlgorithm HashOf(AuthAlgorithm auth);
HashAlgorithm HashOf(IntegrityAlgorithm integrity);

// How many bytes of the HMAC the integrity trailer carries: 12 or 16.
std::size_t AuthCodeLength(IntegrityAlgorithm integrity);

}  // namespace marlek
