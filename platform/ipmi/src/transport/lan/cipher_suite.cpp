#include "transport/lan/cipher_suite.h"

namespace marlek {
namespace {

constexpr CipherSuite kCipherSuites[] = {
    {0, AuthAlgorithm::kNone, IntegrityAlgorithm::kNone, ConfidentialityAlgorithm::kNone},
    {1, AuthAlgorithm::kHmacSha1, IntegrityAlgorithm::kNone, ConfidentialityAlgorithm::kNone},
    {2, AuthAlgorithm::kHmacSha1, IntegrityAlgorithm::kHmacSha1_96, ConfidentialityAlgorithm::kNone},
    {3, AuthAlgorithm::kHmacSha1, IntegrityAlgorithm::kHmacSha1_96, ConfidentialityAlgorithm::kAesCbc128},
    {15, AuthAlgorithm::kHmacSha256, IntegrityAlgorithm::kNone, ConfidentialityAlgorithm::kNone},
    {16, AuthAlgorithm::kHmacSha256, IntegrityAlgorithm::kHmacSha256_128, ConfidentialityAlgorithm::kNone},
    {17, AuthAlgorithm::kHmacSha256, IntegrityAlgorithm::kHmacSha256_128,
     ConfidentialityAlgorithm::kAesCbc128},
};

}  // namespace

std::optional<CipherSuite> LookupCipherSuite(int id) {
  for (const CipherSuite& suite : kCipherSuites) {
    if (suite.id == id)
      return suite;
  }
  return std::nullopt;
}

HashAlgorithm HashOf(AuthAlgorithm auth) {
  return auth == AuthAlgorithm::kHmacSha256 ? HashAlgorithm::kSha256 : HashAlgorithm::kSha1;
}

HashAlgorithm HashOf(IntegrityAlgorithm integrity) {
  return integrity == IntegrityAlgorithm::kHmacSha256_128 ? HashAlgorithm::kSha256 : HashAlgorithm::kSha1;
}

std::size_t AuthCodeLength(IntegrityAlgorithm integrity) {
  return integrity == IntegrityAlgorithm::kHmacSha256_128 ? 16 : 12;
}

}  // namespace marlek
