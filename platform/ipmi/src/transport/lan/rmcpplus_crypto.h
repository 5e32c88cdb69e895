#pragma once
// The cryptographic primitives RMCP+ sessions use, all from OpenSSL's
// libcrypto: HMAC with SHA-1 and SHA-256, AES-128 in CBC mode without
// padding (RMCP+ pads the payload itself), and random bytes.

#include <cstdint>
#include <vector>

namespace marlek {

using Bytes = std::vector<std::uint8_t>;

enum class HashAlgorithm { kSha1, kSha256 };

// The digest length of the hash: 20 for SHA-1, 32 for SHA-256.
std::size_t DigestLength(HashAlgorithm hash);

Bytes Hmac(HashAlgorithm hash, const Bytes& key, const Bytes& data);

constexpr std::size_t kAesBlockSize = 16;

// Both take a 16-byte key and IV and a whole number of blocks.
Bytes AesCbc128Encrypt(const Bytes& key, const Bytes& iv, const Bytes& plain);
Bytes AesCbc128Decrypt(const Bytes& key, const Bytes& iv, const Bytes& cipher);

// Cryptographically strong random bytes.
Bytes RandomBytes(std::size_t count);

// Equality in time independent of where the inputs differ.
bool ConstantTimeEqual(const Bytes& a, const Bytes& b);

}  // namespace marlek
