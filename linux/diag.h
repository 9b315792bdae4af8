// VigilDiag, the daemon's event engine, shared by the line monitor and the
// receiver.
#pragma once

#include <sys/types.h>

// What VigilDiag last announced: each 0 or 1, all 0 at start.
struct ReportedState {
  int power_fail;
  int battery_low;
  int bypass;
  int comm_fail;
  int autonomy_over;
};

// Compares the block's flags with `reported`, announces every change (tone
// and log line under the block's station name), wakes the autonomy worker
// while the mains are out, starts the shutdown when its condition is met,
// and ends the loops once a shutdown has started. While communication is
// lost only the end of the autonomy is still acted on. Call with the lock
// held.
void VigilDiag(ReportedState* reported, pid_t worker);

// True when VigilDiag would do anything at all for `reported`: announce,
// wake the worker, start the shutdown or end the loops. Lets an idle poll
// skip the lock. Reads the block without the lock.
bool VigilDiagHasWork(const ReportedState& reported);
