// HMAC-SHA256 through OpenSSL's libcrypto.
#include "core/hmac_sha256.h"

#include <cstring>
#include <openssl/crypto.h>
#include <openssl/evp.h>
#include <openssl/hmac.h>

namespace core::hmac {

bool HmacSha256(const uint8_t* key, size_t keySize, const uint8_t* data, size_t size, uint8_t mac[kSha256Bytes]) {
  unsigned int length = 0;
  // HMAC() takes an int key length; an empty key still needs a valid pointer.
  static const uint8_t kNoKey = 0;
  if (keySize > 0x7FFFFFFF ||
      !HMAC(EVP_sha256(), keySize ? key : &kNoKey, static_cast<int>(keySize), size ? data : &kNoKey, size, mac,
            &length) ||
      length != kSha256Bytes) {
    std::memset(mac, 0, kSha256Bytes);
    return false;
  }
  return true;
}

bool ConstantTimeEqual(const uint8_t* a, const uint8_t* b, size_t size) { return CRYPTO_memcmp(a, b, size) == 0; }

}  // namespace core::hmac
