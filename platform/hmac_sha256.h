// HMAC-SHA256 from the system's cryptography: OpenSSL's libcrypto on Linux,
// CNG (BCrypt) on Windows. Nothing here hashes by hand.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

inline constexpr size_t kSha256Bytes = 32;

// The HMAC-SHA256 of `size` bytes of `data` under the `keySize` bytes of
// `key` into `mac`. False when the library refused (then `mac` is zero).
bool HmacSha256(const uint8_t* key, size_t keySize, const uint8_t* data, size_t size, uint8_t mac[kSha256Bytes]);

// Compares `size` bytes in a time that does not depend on where they
// differ. True when equal.
bool ConstantTimeEqual(const uint8_t* a, const uint8_t* b, size_t size);

}  // namespace platform
