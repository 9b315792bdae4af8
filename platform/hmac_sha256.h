// HMAC-SHA256 from the system's cryptography: OpenSSL's libcrypto on Linux,
// CNG (BCrypt) on Windows. Nothing here hashes by hand. Declared in core/,
// whose signed datagram needs it below platform/; named here as the
// platform facility it is.
#pragma once

#include "core/hmac_sha256.h"

namespace platform {

using core::hmac::ConstantTimeEqual;
using core::hmac::HmacSha256;
using core::hmac::kSha256Bytes;

}  // namespace platform
