// The roles of the daemon's two processes. Each runs until `running` drops.
#pragma once

#include <sys/types.h>

#include "config_file.h"
#include "start_gate.h"

enum class RoleEnd {
  kStopped,           // the loop ended normally
  kSetUpFailed,       // nothing ran; the start gate stayed closed
  kStoppedWithError,  // the loop ended, but the port could not be restored
};

// Main process roles. Each opens `gate` once its set-up is done; `fixed`
// gives the poll period and the datagrams' address and port.
RoleEnd RunLineMonitor(pid_t worker, StartGate* gate, const DaemonConfig& fixed);
RoleEnd RunReceiver(pid_t worker, StartGate* gate, const DaemonConfig& fixed);

// The child process: the autonomy worker. Returns its exit status.
// Not alerter's model: a process on the shared block, whole seconds, frozen at a critical battery.
int RunAutonomyWorker();
