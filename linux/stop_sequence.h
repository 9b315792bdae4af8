#pragma once

#include <sys/types.h>

// Ends the daemon's run once the main process's role has ended: reaps the
// worker, waits for the final clearance of `running` (a "stop" command or a
// further termination signal), removes the inter-process objects. Returns
// the exit status: 0, or 1 when the objects could not be removed.
int StopSequence(pid_t worker);

// Reaps the worker, waking it from its pause() as often as needed.
void ReapWorker(pid_t worker);
