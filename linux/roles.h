// The roles of the daemon's two processes. Each runs until `running` drops.
#pragma once

#include <sys/types.h>

// Main process roles. They return 0 when their loop has ended, or 1 when
// their set-up failed (the start gate then stays closed).
int RunLineMonitor(pid_t worker);
int RunReceiver(pid_t worker);

// The child process: the autonomy worker. Returns its exit status.
int RunAutonomyWorker();

// Called by a main process role once its set-up is done: releases the
// autonomy worker and tells the invoking process that the daemon runs.
void OpenStartGate(const char* label);
