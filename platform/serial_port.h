// A serial port for reading the UPS's modem-status lines, shaped after
// CreateFileA("COMn"), SetCommState, EscapeCommFunction, GetCommModemStatus
// and CloseHandle.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

// Modem status bits, with the values of Win32's MS_* bits.
inline constexpr uint32_t kModemCtsOn = 0x0010;
inline constexpr uint32_t kModemDsrOn = 0x0020;
inline constexpr uint32_t kModemRingOn = 0x0040;
inline constexpr uint32_t kModemRlsdOn = 0x0080;

struct SerialPort;

// Opens the port named "COM1" to "COM9" for reading and writing, shared with
// nobody. nullptr when the port is missing, in use or otherwise unavailable,
// with `error` saying why. On Linux, COMn is the device that the link
// "<host root>/dosdevices/comN" names when there is one (as Wine's prefix
// maps its ports), else /dev/ttyS{n-1}.
SerialPort* OpenSerialPort(const std::string& name, std::string* error);

// 1200 baud, 8 data bits, no parity, one stop bit, binary, no XON/XOFF, both
// queues purged. With `handshake`, CTS output flow control and RTS
// handshaking; otherwise RTS held on.
bool ConfigureSerialPort(SerialPort* port, bool handshake, std::string* error);

// Raise or drop an output line. False when the port refuses.
bool SetSerialDtr(SerialPort* port, bool on);
bool SetSerialRts(SerialPort* port, bool on);

// The modem status word (kModem* bits); false when it cannot be read.
bool GetSerialModemStatus(SerialPort* port, uint32_t* status);

// Lets the port's device go and opens it again by the same name, with the
// settings and the outputs last asked for: what is left to do when the
// status can no longer be read, since a pulled USB adapter fails for good
// on the handle it had. False, with `error`, while the port cannot be
// opened; until a later call succeeds the port has no device, and every
// call on it fails.
bool ReopenSerialPort(SerialPort* port, std::string* error);

// Drops DTR and closes the port; accepts nullptr.
void CloseSerialPort(SerialPort* port);

}  // namespace platform
