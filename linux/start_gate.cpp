#include "start_gate.h"

#include <cerrno>
#include <unistd.h>

#include "linuxbase/monotonic_clock.h"
#include "linuxbase/service_notify.h"
#include "shared_block.h"

void OpenStartGate(StartGate* gate, const char* label) {
  LockBlock(label);
  BlockOpenStartGate();
  UnlockBlock(label);
  // systemd hears first, so that it knows the main process before the
  // process it started exits.
  linuxbase::NotifyServiceReady(linuxbase::MonotonicSeconds() * 1000, getpid());
  if (!gate->report) return;
  char started = 1;
  ssize_t n;
  do {
    n = write(gate->report.get(), &started, 1);
  } while (n < 0 && errno == EINTR);
  gate->report.reset();
}
