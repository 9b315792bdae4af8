#include "tests/support/pty_device.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <stdexcept>
#include <unistd.h>

PtyDevice::PtyDevice(std::string link) : link_(std::move(link)) { Plug(); }

PtyDevice::~PtyDevice() { Pull(); }

void PtyDevice::Pull() {
  if (!link_.empty()) unlink(link_.c_str());
  if (master_ >= 0) close(master_);
  master_ = -1;
  terminal_.clear();
}

void PtyDevice::Plug() {
  if (master_ >= 0) return;
  int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master < 0) throw std::runtime_error(std::string("posix_openpt: ") + std::strerror(errno));
  const char* terminal = nullptr;
  if (grantpt(master) != 0 || unlockpt(master) != 0 || !(terminal = ptsname(master))) {
    int error = errno;
    close(master);
    throw std::runtime_error(std::string("pty: ") + std::strerror(error));
  }
  std::string made = terminal;
  if (!link_.empty() &&
      ((unlink(link_.c_str()) != 0 && errno != ENOENT) || symlink(made.c_str(), link_.c_str()) != 0)) {
    int error = errno;
    close(master);
    throw std::runtime_error(link_ + " -> " + made + ": " + std::strerror(error));
  }
  master_ = master;
  terminal_ = made;
}
