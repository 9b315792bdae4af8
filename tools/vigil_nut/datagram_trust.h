// Which received datagrams the gateway believes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "alerter/lan_datagram.h"
#include "alerter/lan_signature.h"

namespace vigil_nut {

// The one place that decides whether received bytes are a notification to
// believe. Without a key every well-formed datagram is; with the network's
// shared key only one whose signed trailer verifies, newer than the last
// one taken from its station and sent within 5 minutes of this clock.
class DatagramTrust {
 public:
  explicit DatagramTrust(const std::string& key);

  // `nowMs` is this computer's wall clock in milliseconds. A refusal is
  // told on standard error (the journal) once per station and reason.
  std::optional<LanDatagram> Believed(const uint8_t* bytes, size_t count, uint64_t nowMs);

 private:
  bool keyed_ = false;
  std::unique_ptr<LanVerifier> verifier_;  // about 8 KB, so not in the object
};

}  // namespace vigil_nut
