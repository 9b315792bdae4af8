// Which received datagrams the gateway believes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "alerter/lan_datagram.h"

namespace vigil_nut {

// The one place that decides whether `count` received bytes are a
// notification to believe. Without a key every well-formed datagram is;
// with the shared key only one that carries a valid signature is, and this
// build cannot check signatures yet, so then none is.
std::optional<LanDatagram> BelievedDatagram(const std::string& key, const uint8_t* bytes, size_t count);

// False when a key is set that this build cannot check datagrams against.
bool KeyCanBeChecked(const std::string& key);

}  // namespace vigil_nut
