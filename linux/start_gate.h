// The start gate: the autonomy worker waits at it until the main process's
// role has set itself up; opening it is also when the daemon counts as
// started. Start-up hands the gate to the role, which opens it.
#pragma once

#include "linuxbase/unique_fd.h"

struct StartGate {
  // The pipe's write end on which the invoking process waits for the
  // start; empty once told, and in the worker.
  linuxbase::UniqueFd report;
};

// Called by a main process role once its set-up is done: releases the
// autonomy worker and tells systemd and the invoking process that the
// daemon runs.
void OpenStartGate(StartGate* gate, const char* label);
