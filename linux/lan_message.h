// The daemon's side of the LAN datagram: built from the shared block by the
// line monitor, parsed and copied into the block by the receiver.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/lan_datagram.h"
#include "core/lan_signature.h"

// Parses `count` received bytes into `record` (cleared first). Returns 0 for
// a notification, 1 otherwise (wrong header, fewer than 20 bytes).
int AttrPkg(core::LanDatagram* record, const uint8_t* bytes, size_t count);

// The datagram of the block's current state: flags, figures and the name
// area as they stand. Returns its size, 20 + name_len (at most 52).
size_t BuildDatagram(uint8_t out[core::kLanDatagramMax]);

// Copies an accepted datagram into the block: flags, figures, name. With
// `own_estimate` (the station has a UPS of its own whose autonomy its worker
// estimates) the block keeps its own figures, and its end-of-autonomy flag
// can only be raised by the datagram.
void CopyDatagramToBlock(const core::LanDatagram& d, bool own_estimate);

// True when line 18 of the configuration gives a key: datagrams are signed
// when sent and checked when received.
bool LanKeyed();

// Appends the signature to the `size` bytes of the datagram in `buffer`
// when the station has a key. Returns the size to send: `size` without a
// key, 0 when the datagram could not be signed (then nothing is sent).
size_t SignDatagram(uint8_t buffer[core::kLanSignedMax], size_t size);

// A received notification from the accepted server, `decoded` from the
// same bytes (AttrPkg): true to act on it, by
// the trust policy (core/lan_trust.h). A refusal is written to the log
// (and the console, when it is on) under the sender's name. Call with the
// lock held.
bool CheckDatagram(const core::LanDatagram& decoded, const uint8_t* bytes, size_t count);

// Waits until `socket` is readable, at most 10 seconds. Returns the number
// of ready descriptors (0 on time-out), or the negative result of select
// after printing "select" with the system error.
int WaitRecv(int socket);
