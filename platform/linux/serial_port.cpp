// COMn is /dev/ttyS{n-1} through termios, or, when VIGIL20_SIMLINES names a
// file, the line simulator. The port is held exclusively by TIOCEXCL (which
// stops other users) and an flock (which stops other processes of root too);
// a simulated port is held by an flock on "<file>.lock".
#include "platform/serial_port.h"

#include "platform/linux/serial_device.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <memory>

#include "linesim/line_sim.h"
#include "platform/common/simulated_lines.h"
#include "platform/debug_output.h"

struct platform::SerialPort {
  int fd = -1;                                // the device, or the simulator's lock file
  std::unique_ptr<SimulatedLines> simulation;  // null for a device
};

namespace platform {
namespace serial_linux {

std::optional<std::string> DevicePath(const std::string& name) {
  if (!IsPlainComPortName(name)) return std::nullopt;
  return "/dev/ttyS" + std::to_string(name[3] - '1');
}

uint32_t ModemStatusFromLines(int tiocm) {
  uint32_t status = 0;
  if (tiocm & TIOCM_CTS) status |= kModemCtsOn;
  if (tiocm & TIOCM_DSR) status |= kModemDsrOn;
  if (tiocm & TIOCM_RNG) status |= kModemRingOn;
  if (tiocm & TIOCM_CAR) status |= kModemRlsdOn;
  return status;
}

bool ConfigureTerminal(int fd, bool handshake, std::string* error) {
  termios settings{};
  if (tcgetattr(fd, &settings) != 0) {
    if (error) *error = std::string("tcgetattr: ") + std::strerror(errno);
    return false;
  }
  cfmakeraw(&settings);
  settings.c_cflag &= ~(CSIZE | PARENB | CSTOPB | CRTSCTS);
  settings.c_cflag |= CS8 | CREAD | CLOCAL;
  if (handshake) settings.c_cflag |= CRTSCTS;
  settings.c_iflag &= ~(IXON | IXOFF | IXANY);
  settings.c_cc[VSTART] = 0x11;
  settings.c_cc[VSTOP] = 0x13;
  // A read waits at most one second, like the Windows read time-out.
  settings.c_cc[VMIN] = 0;
  settings.c_cc[VTIME] = 10;
  if (cfsetispeed(&settings, B1200) != 0 || cfsetospeed(&settings, B1200) != 0 ||
      tcsetattr(fd, TCSANOW, &settings) != 0 || tcflush(fd, TCIOFLUSH) != 0) {
    if (error) *error = std::string("termios: ") + std::strerror(errno);
    return false;
  }
  if (!handshake) {
    int rts = TIOCM_RTS;
    if (ioctl(fd, TIOCMBIS, &rts) != 0) {
      if (error) *error = std::string("TIOCMBIS RTS: ") + std::strerror(errno);
      return false;
    }
  }
  return true;
}

}  // namespace serial_linux

namespace {

SerialPort* OpenSimulated(const std::string& file, std::string* error) {
  auto lines = std::make_unique<SimulatedLines>(file);
  // A missing line file is a port that is not there.
  if (!lines->Present()) {
    if (error) *error = file + ": " + std::strerror(errno);
    return nullptr;
  }
  std::string lock = file + ".lock";
  int fd = open(lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0 || flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (error) *error = lock + ": " + (errno == EWOULDBLOCK ? "the port is in use" : std::strerror(errno));
    if (fd >= 0) close(fd);
    return nullptr;
  }
  auto* port = new SerialPort{fd, std::move(lines)};
  // Opening a port raises DTR and RTS, as the tty driver does.
  if (!port->simulation->SetOutputs(linesim::kDtr | linesim::kRts)) {
    if (error) *error = file + ".out: cannot be written";
    CloseSerialPort(port);
    return nullptr;
  }
  return port;
}

// `line` is a TIOCM_* bit for a device and `simulated` the simulator's bit.
bool SetLine(SerialPort* port, int line, int simulated, bool on) {
  if (!port) return false;
  if (port->simulation) return port->simulation->SetOutput(simulated, on);
  return ioctl(port->fd, on ? TIOCMBIS : TIOCMBIC, &line) == 0;
}

}  // namespace

SerialPort* OpenSerialPort(const std::string& name, std::string* error) {
  auto device = serial_linux::DevicePath(name);
  if (!device) {
    if (error) *error = name + ": no such port";
    return nullptr;
  }
  if (const char* simulation = linesim::PathFromEnvironment()) return OpenSimulated(simulation, error);
  int fd = open(device->c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    if (error) *error = *device + ": " + std::strerror(errno);
    return nullptr;
  }
  if (ioctl(fd, TIOCEXCL) != 0 || flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if (error) *error = *device + ": " + (errno == EWOULDBLOCK ? "the port is in use" : std::strerror(errno));
    close(fd);
    return nullptr;
  }
  return new SerialPort{fd, nullptr};
}

bool ConfigureSerialPort(SerialPort* port, bool handshake, std::string* error) {
  if (!port) return false;
  if (port->simulation) {
    // The simulator has no line settings; RTS is on in both modes at rest.
    if (port->simulation->SetOutput(linesim::kRts, true)) return true;
    if (error) *error = port->simulation->path() + ".out: cannot be written";
    return false;
  }
  return serial_linux::ConfigureTerminal(port->fd, handshake, error);
}

bool SetSerialDtr(SerialPort* port, bool on) { return SetLine(port, TIOCM_DTR, linesim::kDtr, on); }

bool SetSerialRts(SerialPort* port, bool on) { return SetLine(port, TIOCM_RTS, linesim::kRts, on); }

bool GetSerialModemStatus(SerialPort* port, uint32_t* status) {
  if (!port) return false;
  if (port->simulation) return port->simulation->ReadStatus(status);
  int lines = 0;
  if (ioctl(port->fd, TIOCMGET, &lines) != 0) return false;
  *status = serial_linux::ModemStatusFromLines(lines);
  return true;
}

void CloseSerialPort(SerialPort* port) {
  if (!port) return;
  // Closing a tty drops DTR and RTS (HUPCL); the simulated lines follow suit.
  if (port->simulation && !port->simulation->SetOutputs(0))
    DebugPrintf("serial: cannot drop the simulated outputs in %s.out\n", port->simulation->path().c_str());
  if (!port->simulation && !SetSerialDtr(port, false)) DebugPrintf("serial: cannot drop DTR before closing\n");
  close(port->fd);
  delete port;
}

}  // namespace platform
