// A pseudo-terminal standing in for a serial device, for the tests of the
// real serial path: the modem shim (wine/modem_shim.cpp, preloaded into the
// program under test) answers its modem lines from a line file, and a link
// names it as a device path does ("/dev/serial/by-id/...", a COM port's
// link). It is pulled and plugged back as a USB adapter is: pulling closes
// the master, which hangs every open descriptor of the terminal up for good,
// and removes the link; plugging makes a new pty and the link again.
#pragma once

#include <string>

class PtyDevice {
 public:
  // Makes the pty and `link` (replacing whatever was there). An empty
  // `link` makes no link. Throws on failure.
  explicit PtyDevice(std::string link);
  ~PtyDevice();
  PtyDevice(const PtyDevice&) = delete;
  PtyDevice& operator=(const PtyDevice&) = delete;

  // The terminal side ("/dev/pts/N") while plugged; empty while pulled.
  const std::string& terminal() const { return terminal_; }
  bool plugged() const { return master_ >= 0; }

  void Pull();
  // Throws on failure.
  void Plug();

 private:
  std::string link_;
  std::string terminal_;
  int master_ = -1;  // owned: closed by Pull and by the destructor
};
