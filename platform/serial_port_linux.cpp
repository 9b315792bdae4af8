// COMn is /dev/ttyS{n-1} through termios, or, when VIGIL20_SIMLINES names a
// file, the line simulator. The port is held exclusively by TIOCEXCL (which
// stops other users) and an flock (which stops other processes of root too);
// a simulated port is held by an flock on "<file>.lock".
#include "serial_port.h"
#include "serial_port_linux.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include "debug_output.h"
#include "linesim/line_sim.h"

struct platform::SerialPort {
  int fd = -1;              // the device, or the simulator's lock file
  std::string simulation;   // the simulator's file; empty for a device
  int outputs = 0;          // simulated TIOCM_DTR | TIOCM_RTS currently on
};

namespace platform {
namespace serial_linux {

std::optional<std::string> DevicePath(const std::string& name) {
  if (name.size() != 4 || name.compare(0, 3, "COM") != 0 || name[3] < '1' || name[3] > '9') return std::nullopt;
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

bool SimulatedOutputs(SerialPort* port, int outputs) {
  if (!linesim::WriteOutputs(port->simulation, outputs)) return false;
  port->outputs = outputs;
  return true;
}

SerialPort* OpenSimulated(const std::string& file, std::string* error) {
  // A missing line file is a port that is not there.
  if (access(file.c_str(), F_OK) != 0) {
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
  auto* port = new SerialPort{fd, file, 0};
  // Opening a port raises DTR and RTS, as the tty driver does.
  if (!SimulatedOutputs(port, TIOCM_DTR | TIOCM_RTS)) {
    if (error) *error = file + ".out: cannot be written";
    CloseSerialPort(port);
    return nullptr;
  }
  return port;
}

bool SetLine(SerialPort* port, int line, bool on) {
  if (!port) return false;
  if (!port->simulation.empty()) return SimulatedOutputs(port, on ? (port->outputs | line) : (port->outputs & ~line));
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
  return new SerialPort{fd, "", 0};
}

bool ConfigureSerialPort(SerialPort* port, bool handshake, std::string* error) {
  if (!port) return false;
  if (!port->simulation.empty()) {
    // The simulator has no line settings; RTS is on in both modes at rest.
    if (SimulatedOutputs(port, port->outputs | TIOCM_RTS)) return true;
    if (error) *error = port->simulation + ".out: cannot be written";
    return false;
  }
  return serial_linux::ConfigureTerminal(port->fd, handshake, error);
}

bool SetSerialDtr(SerialPort* port, bool on) { return SetLine(port, TIOCM_DTR, on); }

bool SetSerialRts(SerialPort* port, bool on) { return SetLine(port, TIOCM_RTS, on); }

bool GetSerialModemStatus(SerialPort* port, uint32_t* status) {
  if (!port) return false;
  int lines = 0;
  if (!port->simulation.empty()) {
    auto word = linesim::ReadModemWord(port->simulation);
    if (!word) return false;
    lines = *word;
  } else if (ioctl(port->fd, TIOCMGET, &lines) != 0) {
    return false;
  }
  *status = serial_linux::ModemStatusFromLines(lines);
  return true;
}

void CloseSerialPort(SerialPort* port) {
  if (!port) return;
  // Closing a tty drops DTR and RTS (HUPCL); the simulated lines follow suit.
  if (!port->simulation.empty() && !linesim::WriteOutputs(port->simulation, 0))
    DebugPrintf("serial: cannot drop the simulated outputs in %s.out\n", port->simulation.c_str());
  close(port->fd);
  delete port;
}

}  // namespace platform
