// The one rule by which a station believes a received LAN datagram, for
// every receiver: vigil20's receiver, alerter, the applet's server list,
// the gateways. Without the network's key every notification is believed.
// With it, only one whose signed trailer verifies, newer than the last one
// taken from its station and sent within 5 minutes of this station's clock
// (lan_signature.h). A refusal is told once per station and reason, and
// once more when the table of reports fills; each program tells it on its
// own output, in its own words. One thread at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string_view>

#include "core/lan_datagram.h"
#include "core/lan_signature.h"

namespace core {

// How a believed datagram was signed.
enum class LanSignature : uint8_t {
  kNone,       // no trailer
  kUnchecked,  // a trailer, which a station without the key cannot check
  kVerified,   // a trailer that verified under the network's key
};

class LanTrust {
 public:
  // A refusal to tell: the first of its station and reason.
  struct Refusal {
    const LanDatagram& sender;  // as decoded: the name it claims
    LanRefusal reason;
    // This refusal filled the table of reports: say once that later
    // refusals, of any station, are only counted.
    bool lastTold;
  };
  using Output = std::function<void(const Refusal&)>;

  // `key`: the network's shared key (cut to kLanKeyMax); empty, every
  // notification is believed. `output` gets each refusal to tell; empty,
  // refusals are only counted.
  explicit LanTrust(std::string_view key = {}, Output output = {});
  ~LanTrust();
  LanTrust(LanTrust&&) noexcept;
  LanTrust& operator=(LanTrust&&) noexcept;

  bool Keyed() const { return verifier_ != nullptr; }

  // Decodes the `count` bytes received, once, and believes them or not at
  // `nowMs` of this station's wall clock (LanWallClockMs): the datagram
  // believed, or nothing for bytes that are not a notification or that are
  // refused. `notification`, when given, tells whether the bytes decoded.
  // A believed keyed datagram becomes its station's last, against replays.
  std::optional<LanDatagram> Believed(const uint8_t* bytes, size_t count, uint64_t nowMs,
                                      bool* notification = nullptr);

  // Whether to act on the `count` bytes received, as Believed.
  bool Believes(const uint8_t* bytes, size_t count, uint64_t nowMs);

  // For a receiver that filters by sender before it believes: `decoded` is
  // what DecodeLanDatagram made of the same bytes, which are not decoded
  // again.
  bool Believes(const LanDatagram& decoded, const uint8_t* bytes, size_t count, uint64_t nowMs);

  // How a datagram that this station believed was signed.
  LanSignature SignatureOf(const uint8_t* bytes, size_t count) const;

  // The refusals counted for `reason` since the key was set.
  uint64_t Refused(LanRefusal reason) const;

 private:
  bool Verified(const LanDatagram& sender, const uint8_t* bytes, size_t count, uint64_t nowMs);

  std::unique_ptr<LanVerifier> verifier_;  // about 8 KB, so not in the object; only with a key
  Output output_;
};

}  // namespace core
