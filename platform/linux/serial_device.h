// Details of the Linux serial port, apart so that tests can check them
// without a serial device.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace platform::serial_linux {

// For "COM1" to "COM9": the link "<host root>/dosdevices/comN" when it
// exists (whether or not what it names is there), else "/dev/ttyS{n-1}";
// nullopt for any other name (as on Windows, "COM10" and above are not plain
// device names).
std::optional<std::string> DevicePath(const std::string& name);

// Linux TIOCM_* bits to the kModem* bits.
uint32_t ModemStatusFromLines(int tiocm);

// Puts the terminal `fd` in the port's mode (see ConfigureSerialPort).
bool ConfigureTerminal(int fd, bool handshake, std::string* error);

}  // namespace platform::serial_linux
