// How the main process wakes the autonomy worker. The worker sleeps in
// pause() while the battery is full (VigilDiag wakes it on a mains failure),
// and between its once-a-second passes otherwise; SIGCONT ends either wait.
#pragma once

#include <sys/types.h>

#include "shared_block.h"

// Ends the worker's current wait at once.
void WakeWorker(pid_t worker);

// Wakes the worker from its wait between passes when the block's flags
// differ from those of `before`, so that it acts on a change of the lines or a
// datagram within milliseconds. Lock held. While the worker is paused, the
// wake-up is VigilDiag's alone.
void WakeWorkerOnChange(pid_t worker, const core::UpsState& before);

// From the worker: ends the line monitor's wait for a line change at once
// (SIGCONT to the main process, its parent), so that a flag the worker moved
// is acted on as soon as before.
void WakeLineMonitor();
