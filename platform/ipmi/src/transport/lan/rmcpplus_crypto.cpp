#include "transport/lan/rmcpplus_crypto.h"

#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>
#include <openssl/rand.h>

#include <dlfcn.h>

#include <memory>
#include <stdexcept>
#include <string>

namespace marlek {
namespace {

// libcrypto is loaded when a LAN session first needs it, so that commands on
// the local device, and every --help, start without it. The functions used,
// by their declarations in the OpenSSL headers.
struct Libcrypto {
  decltype(&::EVP_sha1) sha1;
  decltype(&::EVP_sha256) sha256;
  decltype(&::EVP_MD_get_size) mdSize;
  decltype(&::EVP_aes_128_cbc) aes128Cbc;
  decltype(&::EVP_CIPHER_CTX_new) contextNew;
  decltype(&::EVP_CIPHER_CTX_free) contextFree;
  decltype(&::EVP_CipherInit_ex) cipherInit;
  decltype(&::EVP_CIPHER_CTX_set_padding) setPadding;
  decltype(&::EVP_CipherUpdate) cipherUpdate;
  decltype(&::EVP_CipherFinal_ex) cipherFinal;
  decltype(&::HMAC) hmac;
  decltype(&::RAND_bytes) randBytes;
  decltype(&::CRYPTO_memcmp) memcmp;
};

template <typename F>
void Resolve(void* library, const char* name, F& into) {
  void* symbol = dlsym(library, name);
  if (!symbol)
    throw std::runtime_error(std::string(MARLEK_LIBCRYPTO " has no ") + name);
  into = reinterpret_cast<F>(symbol);
}

Libcrypto Load() {
  void* library = dlopen(MARLEK_LIBCRYPTO, RTLD_NOW | RTLD_LOCAL);
  if (!library)
    throw std::runtime_error(std::string("RMCP+ needs " MARLEK_LIBCRYPTO ": ") + dlerror());
  Libcrypto api{};
  Resolve(library, "EVP_sha1", api.sha1);
  Resolve(library, "EVP_sha256", api.sha256);
  Resolve(library, "EVP_MD_get_size", api.mdSize);
  Resolve(library, "EVP_aes_128_cbc", api.aes128Cbc);
  Resolve(library, "EVP_CIPHER_CTX_new", api.contextNew);
  Resolve(library, "EVP_CIPHER_CTX_free", api.contextFree);
  Resolve(library, "EVP_CipherInit_ex", api.cipherInit);
  Resolve(library, "EVP_CIPHER_CTX_set_padding", api.setPadding);
  Resolve(library, "EVP_CipherUpdate", api.cipherUpdate);
  Resolve(library, "EVP_CipherFinal_ex", api.cipherFinal);
  Resolve(library, "HMAC", api.hmac);
  Resolve(library, "RAND_bytes", api.randBytes);
  Resolve(library, "CRYPTO_memcmp", api.memcmp);
  return api;  // the library stays loaded for the process's life
}

// Loaded once, on first use; a failed load is tried again on the next use.
const Libcrypto& Crypto() {
  static const Libcrypto api = Load();
  return api;
}

const EVP_MD* Digest(HashAlgorithm hash) {
  return hash == HashAlgorithm::kSha1 ? Crypto().sha1() : Crypto().sha256();
}

struct CipherContextDeleter {
  void operator()(EVP_CIPHER_CTX* ctx) const { Crypto().contextFree(ctx); }
};
using CipherContext = std::unique_ptr<EVP_CIPHER_CTX, CipherContextDeleter>;

Bytes AesCbc128(const Bytes& key, const Bytes& iv, const Bytes& input, bool encrypt) {
  if (key.size() < kAesBlockSize || iv.size() != kAesBlockSize || input.size() % kAesBlockSize != 0)
    throw std::invalid_argument("AES-CBC-128: key, IV or data of the wrong size");
  CipherContext ctx(Crypto().contextNew());
  if (!ctx)
    throw std::runtime_error("AES-CBC-128: no cipher context");
  if (Crypto().cipherInit(ctx.get(), Crypto().aes128Cbc(), nullptr, key.data(), iv.data(), encrypt ? 1 : 0) !=
      1)
    throw std::runtime_error("AES-CBC-128: cipher set-up failed");
  Crypto().setPadding(ctx.get(), 0);
  Bytes out(input.size() + kAesBlockSize);
  int written = 0;
  int final = 0;
  if (Crypto().cipherUpdate(ctx.get(), out.data(), &written, input.data(), static_cast<int>(input.size())) !=
          1 ||
      Crypto().cipherFinal(ctx.get(), out.data() + written, &final) != 1)
    throw std::runtime_error("AES-CBC-128: cipher operation failed");
  out.resize(static_cast<std::size_t>(written + final));
  return out;
}

}  // namespace

std::size_t DigestLength(HashAlgorithm hash) {
  return static_cast<std::size_t>(Crypto().mdSize(Digest(hash)));
}

Bytes Hmac(HashAlgorithm hash, const Bytes& key, const Bytes& data) {
  Bytes out(EVP_MAX_MD_SIZE);
  unsigned int length = 0;
  static const std::uint8_t kEmpty = 0;
  if (!Crypto().hmac(Digest(hash), key.empty() ? &kEmpty : key.data(), static_cast<int>(key.size()),
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
  if (count && Crypto().randBytes(out.data(), static_cast<int>(count)) != 1)
    throw std::runtime_error("no random bytes available");
  return out;
}

bool ConstantTimeEqual(const Bytes& a, const Bytes& b) {
  return a.size() == b.size() && (a.empty() || Crypto().memcmp(a.data(), b.data(), a.size()) == 0);
}

}  // namespace marlek
