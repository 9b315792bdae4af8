// The LAN datagram (lan_datagram.h) built from and read into a CState, as
// the Windows programs do.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/lan_datagram.h"
#include "core/status_record.h"

namespace core {

// Encodes `state` with the station `name` (nullptr: none) into
// state.packet and returns the datagram's length, 20 + N. The name, cut to
// 32 bytes for the datagram, is also kept in state.hostName (cut to 31).
size_t BuildPacket(CState& state, const char* name);

// Decodes the `count` bytes received into `record` (which the caller made
// all zero): false, nothing changed, when they are not a notification.
// fromNetwork becomes 1; the flags read as 0 or 1; the remaining autonomy
// is signed, the other figures not; the name is what arrived of it, cut to
// 31 bytes.
bool ParsePacket(const uint8_t* bytes, size_t count, CState* record);

// The same for a datagram already decoded.
void ReadPacket(const LanDatagram& datagram, CState* record);

// A station name as the record keeps it in hostName: its first `length`
// bytes, cut to 31, zero-terminated.
void KeepHostName(char (&hostName)[32], const char* name, size_t length);

}  // namespace core
