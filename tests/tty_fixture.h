// The daemon on a serial device instead of the line simulator: a
// pseudo-terminal whose modem lines the shim answers from the line file
// /usr/local/pty/lines, bound where "Porta serial" names it inside the
// sandbox, in which no real serial device is left.
//
// The daemon run here is vigil20-dynamic: the same objects as the shipped
// static vigil20 (the vigil20_core library and main.cpp), linked against
// the shared C library only so that the shim can be preloaded; a static
// program resolves its ioctl calls inside itself, out of any preload's
// reach.
#pragma once

#include <memory>
#include <string>

#include "daemon_fixture.h"
#include "tests/support/pty_device.h"

// Inside `box`: /dev becomes a tmpfs holding only what the daemon and the
// tools need (null, zero, random, urandom, tty, the pseudo-terminals, the
// sandbox's console), so that no name reaches a real serial port.
inline void KeepOnlyHarmlessDevices(const Sandbox& box) {
  CommandResult r = box.Run(
      "set -e\n"
      "mkdir -p /usr/local/.hostdev && mount --rbind /dev /usr/local/.hostdev\n"
      "mount -t tmpfs -o mode=755 tmpfs /dev\n"
      "for n in null zero random urandom tty ptmx; do touch /dev/$n; mount --bind /usr/local/.hostdev/$n /dev/$n; "
      "done\n"
      "mkdir /dev/shm && if [ -d /usr/local/.hostdev/shm ]; then mount --bind /usr/local/.hostdev/shm /dev/shm; fi\n"
      "mkdir /dev/pts && mount --bind /usr/local/.hostdev/pts /dev/pts\n"
      "touch /dev/console && mount --bind /usr/local/console /dev/console\n"
      "umount -l /usr/local/.hostdev && rmdir /usr/local/.hostdev\n");
  if (r.status != 0) throw std::runtime_error("cannot set the sandbox's /dev up: " + r.err);
}

// A station whose UPS cable reaches the daemon through a pty at `device`
// (a path inside the sandbox): "/dev/ttyS1" is bound to the pty, as COM2
// names it; any other path is a link to it, as /dev/serial/by-id/... is.
class TtyStation {
 public:
  explicit TtyStation(std::string device = "/dev/ttyS1", const Sandbox::Options& options = {})
      : box_(options), device_(std::move(device)) {
    KeepOnlyHarmlessDevices(box_);
    bool bound = device_.rfind("/dev/", 0) == 0;
    // A link lives in the sandbox's /usr/local, made from here.
    std::string link = bound ? "" : box_.Path(device_.substr(std::string("/usr/local/").size()));
    if (!link.empty()) box_.Run("mkdir -p \"$(dirname '" + device_ + "')\"");
    pty_ = std::make_unique<PtyDevice>(link);
    if (bound) {
      CommandResult r = box_.Run("touch " + device_ + " && mount --bind " + pty_->terminal() + " " + device_);
      if (r.status != 0) throw std::runtime_error("cannot bind the pty: " + r.err);
    }
    box_.Run("mkdir -p /usr/local/pty");
    Lines("set DSR CTS RI");
  }

  const Sandbox& box() const { return box_; }
  PtyDevice& pty() { return *pty_; }

  // vigil-lines on the pty's line file.
  void Lines(const std::string& words) const { box_.Run(VIGIL_LINES_BIN " /usr/local/pty/lines " + words); }
  std::string Outputs() const { return box_.Read("pty/lines.out"); }

  // The adapter pulled (no line file, the pty's master closed, the link
  // gone) and plugged back with `words` on its lines: a new device, whose
  // outputs are both off until the program sets them.
  void Pull() {
    Lines("unplug");
    pty_->Pull();
  }
  void Plug(const std::string& words) {
    box_.Run("rm -f /usr/local/pty/lines.out");
    Lines("set " + words);
    pty_->Plug();
  }

  // Starts the daemon (`program`, a vigil20 linked dynamically) with the
  // shim; `environment` is added before it.
  CommandResult Start(const std::string& environment = "", const std::string& program = VIGIL20_DYNAMIC_BIN) const {
    return box_.Run("ASAN_OPTIONS=verify_asan_link_order=0 LD_PRELOAD=" MODEM_SHIM " VIGIL_SHIM_TTY=" + device_ +
                    " VIGIL_PTY_LINES=/usr/local/pty/lines " + environment + " " + program);
  }

 private:
  Sandbox box_;
  std::string device_;
  std::unique_ptr<PtyDevice> pty_;
};

// Voluntary context switches of a process so far: how often it slept.
inline long Wakeups(pid_t pid) {
  std::istringstream status(ReadWholeFile("/proc/" + std::to_string(pid) + "/status"));
  std::string line;
  while (std::getline(status, line))
    if (line.rfind("voluntary_ctxt_switches:", 0) == 0) return std::atol(line.c_str() + 24);
  return -1;
}
