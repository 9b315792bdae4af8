// The LAN datagram's edge of UpsState: what a datagram says of its
// station's UPS, and the datagram that says a state. The datagram carries
// the five flags and the four autonomy figures, each in 16 bits; it knows
// nothing of a shutdown begun nor of measured figures.
#pragma once

#include "core/lan_datagram.h"
#include "core/ups_state.h"

namespace core {

// Flags as read (0 or 1 after DecodeLanDatagram); figures in seconds, the
// remaining autonomy signed; every autonomy figure known.
UpsState StateOfDatagram(const LanDatagram& datagram);

// The flags and figures of `state` into `datagram` (name and length
// untouched): a flag as 0 or 1, a figure as the low 16 bits of its
// seconds, an unknown figure as 0.
void PutStateInDatagram(const UpsState& state, LanDatagram* datagram);

}  // namespace core
