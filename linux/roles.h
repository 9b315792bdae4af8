// The roles of the daemon's two processes. Each runs until `running` drops.
#pragma once

#include <sys/types.h>

enum class RoleEnd {
  kStopped,           // the loop ended normally
  kSetUpFailed,       // nothing ran; the start gate stayed closed
  kStoppedWithError,  // the loop ended, but the port could not be restored
};

// Main process roles.
RoleEnd RunLineMonitor(pid_t worker);
RoleEnd RunReceiver(pid_t worker);

// The child process: the autonomy worker. Returns its exit status.
int RunAutonomyWorker();

// Called by a main process role once its set-up is done: releases the
// autonomy worker and tells the invoking process that the daemon runs.
void OpenStartGate(const char* label);
