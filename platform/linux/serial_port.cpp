// COMn is the device that "<host root>/dosdevices/comN" links to, as in a
// Wine prefix (a USB adapter's stable /dev/serial/by-id/ name, say), and
// /dev/ttyS{n-1} without that link, through termios. The port is held exclusively by
// TIOCEXCL (which stops other users) and an flock (which stops other
// processes of root too); a simulated port is held by an flock on
// "<file>.lock".
#include "platform/linux/serial_device.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <memory>

#include "linuxbase/unique_fd.h"
#include "platform/common/serial_backend.h"
#include "platform/common/simulated_lines.h"
#include "platform/debug_output.h"
#include "platform/linux/host_root.h"
#include "platform/serial_port.h"

namespace platform {
namespace serial_linux {

std::optional<std::string> DevicePath(const std::string& name) {
  if (!IsPlainComPortName(name)) return std::nullopt;
  // The link itself, even when what it names is away (an adapter pulled):
  // the port is then missing, never another one.
  std::string link = HostRoot() + "/dosdevices/com" + name.substr(3);
  struct stat st;
  if (lstat(link.c_str(), &st) == 0) return link;
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

class DeviceBackend : public SerialBackend {
 public:
  explicit DeviceBackend(linuxbase::UniqueFd fd) : owned_(std::move(fd)), fd_(owned_.get()) {}
  // Closing a tty drops DTR and RTS (HUPCL); DTR is dropped first all the same.
  ~DeviceBackend() override {
    if (!SetDtr(false)) DebugPrintf("serial: cannot drop DTR before closing\n");
  }

  bool Configure(bool handshake, std::string* error) override {
    return serial_linux::ConfigureTerminal(fd_, handshake, error);
  }
  bool SetDtr(bool on) override { return SetLine(TIOCM_DTR, on); }
  bool SetRts(bool on) override { return SetLine(TIOCM_RTS, on); }
  bool ReadModemStatus(uint32_t* status) override {
    int lines = 0;
    if (ioctl(fd_, TIOCMGET, &lines) != 0) return false;
    *status = serial_linux::ModemStatusFromLines(lines);
    return true;
  }

 private:
  bool SetLine(int line, bool on) { return ioctl(fd_, on ? TIOCMBIS : TIOCMBIC, &line) == 0; }

  linuxbase::UniqueFd owned_;
  int fd_;  // owned_'s
};

class LockFile : public SimulatedPortLock {
 public:
  explicit LockFile(linuxbase::UniqueFd fd) : fd_(std::move(fd)) {}

 private:
  linuxbase::UniqueFd fd_;  // the lock goes with it
};

}  // namespace

std::unique_ptr<SerialBackend> OpenDeviceBackend(const std::string& name, std::string* error) {
  auto device = serial_linux::DevicePath(name);
  if (!device) {
    if (error) *error = name + ": no such port";
    return nullptr;
  }
  linuxbase::UniqueFd fd(open(device->c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
  if (!fd) {
    if (error) *error = *device + ": " + std::strerror(errno);
    return nullptr;
  }
  if (ioctl(fd.get(), TIOCEXCL) != 0 || flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
    if (error) *error = *device + ": " + (errno == EWOULDBLOCK ? "the port is in use" : std::strerror(errno));
    return nullptr;
  }
  return std::make_unique<DeviceBackend>(std::move(fd));
}

std::unique_ptr<SimulatedPortLock> LockSimulatedPort(const std::string& lockPath, std::string* error) {
  linuxbase::UniqueFd fd(open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644));
  if (!fd || flock(fd.get(), LOCK_EX | LOCK_NB) != 0) {
    if (error) *error = lockPath + ": " + (errno == EWOULDBLOCK ? "the port is in use" : std::strerror(errno));
    return nullptr;
  }
  return std::make_unique<LockFile>(std::move(fd));
}

std::string SimulatorFilePath(const char* path) { return path; }

}  // namespace platform
