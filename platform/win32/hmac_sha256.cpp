// HMAC-SHA256 through CNG: the SHA-256 provider opened in HMAC mode, one
// hash object per call.
#include <windows.h>
#include <bcrypt.h>

#include <cstring>

#include "core/hmac_sha256.h"

namespace core::hmac {
namespace {

bool Ok(NTSTATUS status) { return status >= 0; }

// The provider, opened once and kept for the life of the process.
BCRYPT_ALG_HANDLE HmacProvider() {
  static BCRYPT_ALG_HANDLE provider = [] {
    BCRYPT_ALG_HANDLE opened = nullptr;
    if (!Ok(BCryptOpenAlgorithmProvider(&opened, BCRYPT_SHA256_ALGORITHM, nullptr, BCRYPT_ALG_HANDLE_HMAC_FLAG)))
      return static_cast<BCRYPT_ALG_HANDLE>(nullptr);
    return opened;
  }();
  return provider;
}

}  // namespace

bool HmacSha256(const uint8_t* key, size_t keySize, const uint8_t* data, size_t size, uint8_t mac[kSha256Bytes]) {
  std::memset(mac, 0, kSha256Bytes);
  BCRYPT_ALG_HANDLE provider = HmacProvider();
  if (!provider || keySize > 0xFFFFFFFFu || size > 0xFFFFFFFFu) return false;
  static UCHAR kNoKey = 0;
  BCRYPT_HASH_HANDLE hash = nullptr;
  // With no object buffer given, CNG allocates the hash object itself.
  if (!Ok(BCryptCreateHash(provider, &hash, nullptr, 0, keySize ? const_cast<PUCHAR>(key) : &kNoKey,
                           static_cast<ULONG>(keySize), 0)))
    return false;
  bool done = (size == 0 || Ok(BCryptHashData(hash, const_cast<PUCHAR>(data), static_cast<ULONG>(size), 0))) &&
              Ok(BCryptFinishHash(hash, mac, static_cast<ULONG>(kSha256Bytes), 0));
  BCryptDestroyHash(hash);
  if (!done) std::memset(mac, 0, kSha256Bytes);
  return done;
}

bool ConstantTimeEqual(const uint8_t* a, const uint8_t* b, size_t size) {
  // Windows offers no constant-time comparison of its own to user mode.
  volatile uint8_t difference = 0;
  for (size_t i = 0; i < size; ++i) difference = static_cast<uint8_t>(difference | (a[i] ^ b[i]));
  return difference == 0;
}

}  // namespace core::hmac
