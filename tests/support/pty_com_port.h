// COMn on a pseudo-terminal whose modem lines the modem shim answers from a
// line file, for the tests of the suite's real serial path on both systems:
// on Linux a pty linked at "<host root>/dosdevices/comN" with the shim
// preloaded into the programs this test starts; on Windows the COM port
// that the Wine runner made (VIGIL_WINE_PTY_PORT) with the shim preloaded
// into Wine. The adapter can be pulled (the line file gone, the pty hung up
// for good, the port's name gone) and plugged back (a new pty).
#pragma once

#include <memory>
#include <string>

#include "tests/support/test_host.h"

class PtyComPort {
 public:
  // `hostRoot`: on Linux, the host root of the programs under test, which
  // gets the link and the line file; on Windows the runner made both.
  // Throws when there is no such port (on Windows: not run by the runner
  // with VIGIL_WINE_PTY_PORT). The simulator is switched off for the
  // programs started from now on.
  explicit PtyComPort(const std::string& hostRoot);
  ~PtyComPort();
  PtyComPort(const PtyComPort&) = delete;
  PtyComPort& operator=(const PtyComPort&) = delete;

  int number() const { return number_; }
  // The line file, a Unix path (open it through NativePath).
  const std::string& lines() const { return lines_; }

  // Sets the active inputs ("DSR CTS"), written whole as the tools do.
  void Set(const std::string& names) const;
  // The outputs as the port last had them set ("RTS\n").
  std::string Outputs() const;

  // The adapter pulled; plugged back with `names` active, a new device
  // whose outputs are both off until a program sets them.
  void Pull();
  void Plug(const std::string& names);

 private:
  struct Device;
  int number_ = 0;
  std::string lines_;
  std::string asan_options_;  // as they were before (Linux)
  std::unique_ptr<Device> device_;
};
