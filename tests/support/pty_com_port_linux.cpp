#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "tests/support/pty_com_port.h"
#include "tests/support/pty_device.h"

struct PtyComPort::Device {
  explicit Device(const std::string& link) : pty(link) {}
  PtyDevice pty;
};

PtyComPort::PtyComPort(const std::string& hostRoot) : number_(3), lines_(hostRoot + "/pty/lines") {
  std::filesystem::create_directories(hostRoot + "/pty");
  std::filesystem::create_directories(hostRoot + "/dosdevices");
  Set("");
  std::string link = hostRoot + "/dosdevices/com3";
  device_ = std::make_unique<Device>(link);
  // Every other port names nothing: no test opens a real /dev/ttyS*.
  for (int n = 1; n <= 9; ++n) {
    std::string other = hostRoot + "/dosdevices/com" + std::to_string(n);
    if (n != number_) std::filesystem::create_symlink(hostRoot + "/no-such-device", other);
  }
  UnsetEnvironment("VIGIL20_SIMLINES");
  SetEnvironment("VIGIL_SHIM_TTY", link);
  SetEnvironment("VIGIL_PTY_LINES", lines_);
  SetEnvironment("LD_PRELOAD", MODEM_SHIM);
  // The sanitizer builds' programs would refuse a library ahead of theirs.
  const char* asan = std::getenv("ASAN_OPTIONS");
  asan_options_ = asan ? asan : "";
  SetEnvironment("ASAN_OPTIONS", asan_options_ + (asan_options_.empty() ? "" : ":") + "verify_asan_link_order=0");
}

PtyComPort::~PtyComPort() {
  UnsetEnvironment("LD_PRELOAD");
  UnsetEnvironment("VIGIL_SHIM_TTY");
  UnsetEnvironment("VIGIL_PTY_LINES");
  if (asan_options_.empty())
    UnsetEnvironment("ASAN_OPTIONS");
  else
    SetEnvironment("ASAN_OPTIONS", asan_options_);
}

void PtyComPort::Set(const std::string& names) const {
  std::ofstream(lines_ + ".tmp", std::ios::binary) << names << "\n";
  std::filesystem::rename(lines_ + ".tmp", lines_);
}

std::string PtyComPort::Outputs() const {
  std::ifstream in(lines_ + ".out", std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

void PtyComPort::Pull() {
  std::remove(lines_.c_str());
  device_->pty.Pull();
}

void PtyComPort::Plug(const std::string& names) {
  std::remove((lines_ + ".out").c_str());
  Set(names);
  device_->pty.Plug();
}
