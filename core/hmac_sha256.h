// HMAC-SHA256, the MAC of the LAN datagram's signed trailer. core/ does no
// cryptography of its own and calls no system: this is the one thing it
// takes from outside. Every program that links core/ links with it the
// system's implementation, the CMake target vigil_hmac: OpenSSL's libcrypto
// on Linux (linuxbase/hmac_sha256.cpp), CNG on Windows
// (platform/win32/hmac_sha256.cpp). The suite knows the same functions
// through platform/hmac_sha256.h.
#pragma once

#include <cstddef>
#include <cstdint>

namespace core::hmac {

inline constexpr size_t kSha256Bytes = 32;

// The HMAC-SHA256 of `size` bytes of `data` under the `keySize` bytes of
// `key` into `mac`. False when the library refused (then `mac` is zero).
bool HmacSha256(const uint8_t* key, size_t keySize, const uint8_t* data, size_t size, uint8_t mac[kSha256Bytes]);

// Compares `size` bytes in a time that does not depend on where they
// differ. True when equal.
bool ConstantTimeEqual(const uint8_t* a, const uint8_t* b, size_t size);

}  // namespace core::hmac
