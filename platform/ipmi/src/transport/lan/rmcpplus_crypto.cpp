#include "transport/lan/rmcpplus_crypto.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <openssl/rand.h>

#include <memory>
#include <stdexcept>
#include <string>

namespace marlek {
namespace {

const EVP_MD* Digest(HashAlgorithm hash) {
  return hash == HashAlgorithm::kSha1 ? EVP_sha1() : EVP_sha256();
}

struct CipherContextDeleter {
  void operator()(EVP_CIPHER_CTX* ctx) const { EVP_CIPHER_CTX_free(ctx); }
};
using CipherContext = std::unique_ptr<EVP_CIPHER_CTX, CipherContextDeleter>;

Bytes AesCbc128(const Bytes& key, const Bytes& iv, const Bytes& input, bool encrypt) {
  if (key.size() < kAesBlockSize || iv.size() != kAesBlockSize || input.size() % kAesBlockSize != 0)
    throw std::invalid_argument("AES-CBC-128: key, IV or data of the wrong size");
  CipherContext ctx(EVP_CIPHER_CTX_new());
  if (!ctx)
    throw std::runtime_error("AES-CBC-128: no cipher context");
  if (EVP_CipherInit_ex(ctx.get(), EVP_aes_128_cbc(), nullptr, key.data(), iv.data(), encrypt ? 1 : 0) != 1)
    throw std::runtime_error("AES-CBC-128: cipher set-up failed");
  EVP_CIPHER_CTX_set_padding(ctx.get(), 0);
  Bytes out(input.size() + kAesBlockSize);
  int written = 0;
  int final = 0;
  if (EVP_CipherUpdate(ctx.get(), out.data(), &written, input.data(), static_cast<int>(input.size())) != 1 ||
      EVP_CipherFinal_ex(ctx.get(), out.data() + written, &final) != 1)
    throw std::runtime_error("AES-CBC-128: cipher operation failed");
  out.resize(static_cast<std::size_t>(written + final));
  return out;
}

}  // namespace

std::size_t DigestLength(HashAlgorithm hash) {
  return static_cast<std::size_t>(EVP_MD_size(Digest(hash)));
}

Bytes Hmac(HashAlgorithm hash, const Bytes& key, const Bytes& data) {
  Bytes out(EVP_MAX_MD_SIZE);
  unsigned int length = 0;
  static const std::uint8_t kEmpty = 0;
  if (!HMAC(Digest(hash), key.empty() ? &kEmpty : key.data(), static_cast<int>(key.size()),
            data.empty() ? &kEmpty : data.data(), data.size(), out.data(), &length))
    throw std::runtime_error("HMAC computation failed");
  out.resize(length);
  return out;
}

Bytes AesCbc128Encrypt(const Bytes& key, const Bytes& iv, const Bytes& plain) {
  return AesCbc128(key, iv, plain, true);
}

Bytes AesCbc128Decrypt(const Bytes& key, const Bytes& iv, const Bytes& cipher) {
  return AesCbc128(key, iv, cipher, false);
}

Bytes RandomBytes(std::size_t count) {
  Bytes out(count);
  if (count && RAND_bytes(out.data(), static_cast<int>(count)) != 1)
    throw std::runtime_error("no random bytes available");
  return out;
}

bool ConstantTimeEqual(const Bytes& a, const Bytes& b) {
  return a.size() == b.size() && (a.empty() || CRYPTO_memcmp(a.data(), b.data(), a.size()) == 0);
}

}  // namespace marlek
