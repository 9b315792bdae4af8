// LineTap: access to the UPS's serial port for one process, the master, and
// the last line states the master read for every other process, the slaves.
//
// The master calls serialOpen, sets the outputs, polls the inputs and ends
// with serialClose. Every input read also stores the whole modem status word
// and a status in a record shared by all processes holding the library
// under the same host root: 1 after a good read, -3 after a failed one, -1
// before the first read and after serialClose. Slaves read only that record.
// A failed read lets the master's device go (a pulled USB adapter fails for
// good on its old handle); the following reads open it again, at most once
// a second, with the settings and outputs it had, and are -3 until then.
#pragma once

#include <cstdint>

namespace linetap {

// Modem status bits of the shared word: the values of Win32's MS_CTS_ON,
// MS_DSR_ON, MS_RING_ON and MS_RLSD_ON (names that are winbase.h macros).
inline constexpr int32_t kCtsOn = 0x0010;
inline constexpr int32_t kDsrOn = 0x0020;
inline constexpr int32_t kRingOn = 0x0040;
inline constexpr int32_t kRlsdOn = 0x0080;

}  // namespace linetap

extern "C" {

// Opens "COM<port>" at 1200 8N1; with `handshake` non-zero, CTS output flow
// control and RTS handshaking, else RTS held on. 1 when open and configured;
// -1 when the port cannot be opened (missing, in use, or 10 and above);
// -2 when the settings are refused (the port then stays open).
int32_t serialOpen(int32_t port, int32_t handshake);
// Drops DTR and closes the port; the shared status becomes -1. Always 1.
int32_t serialClose(void);

// The input as 0 or 1; -3 when the lines cannot be read.
int32_t serialGetCts(void);
int32_t serialGetDsr(void);
int32_t serialGetRing(void);

// Non-zero on success, 0 on failure.
int32_t serialSetDtr(int32_t on);
int32_t serialSetRts(int32_t on);

// The shared status when negative, else the input's bit (0 or 1) of the
// master's last read. Never touch the port.
int32_t serialSlaveGetCts(void);
int32_t serialSlaveGetDsr(void);
int32_t serialSlaveGetRing(void);

}  // extern "C"
