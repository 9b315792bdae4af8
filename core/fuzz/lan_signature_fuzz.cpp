// A keyed station checks datagrams from anyone on the LAN. The input is a
// key (its length in the first byte, at most 63) and then the bytes
// received. Beyond not crashing: a datagram signed with the key is accepted
// once, refused when sent again or 6 minutes late, and refused with any
// byte changed.
#include <cstring>

#include "core/lan_datagram.h"
#include "core/lan_signature.h"

using core::LanRefusal;
using core::LanSender;
using core::LanVerifier;
using core::SetLanKey;
using core::SignLanDatagram;
using core::VerifyLanDatagram;
using core::kLanSignedMax;
using core::kLanTrailerSize;

namespace {

constexpr uint64_t kNow = 1765000000000ull;

LanVerifier verifier;  // large: kept out of the stack

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  size_t keySize = data[0] & 0x3F;
  if (size < 1 + keySize) return 0;
  const char* key = reinterpret_cast<const char*>(data + 1);
  const uint8_t* bytes = data + 1 + keySize;
  size_t count = size - 1 - keySize;

  SetLanKey(&verifier, key, keySize);
  VerifyLanDatagram(&verifier, bytes, count, kNow);

  if (count < 20 || bytes[19] > 32 || count != 20u + bytes[19]) return 0;
  uint8_t signedBytes[kLanSignedMax];
  std::memcpy(signedBytes, bytes, count);
  LanSender sender;
  size_t n = SignLanDatagram(signedBytes, count, sizeof signedBytes, key, keySize, &sender, kNow);
  if (n != count + kLanTrailerSize) __builtin_trap();

  SetLanKey(&verifier, key, keySize);
  if (VerifyLanDatagram(&verifier, signedBytes, n, kNow + 1).refusal != LanRefusal::kNone) __builtin_trap();
  if (VerifyLanDatagram(&verifier, signedBytes, n, kNow + 2).refusal != LanRefusal::kReplayed) __builtin_trap();
  SetLanKey(&verifier, key, keySize);
  if (VerifyLanDatagram(&verifier, signedBytes, n, kNow + 6 * 60 * 1000).refusal != LanRefusal::kClock)
    __builtin_trap();

  // One byte changed, chosen by the input itself.
  SetLanKey(&verifier, key, keySize);
  size_t at = (keySize + count) % n;
  signedBytes[at] ^= static_cast<uint8_t>(1u << (count % 8));
  if (VerifyLanDatagram(&verifier, signedBytes, n, kNow).refusal == LanRefusal::kNone) __builtin_trap();
  return 0;
}
