// VigilDiag, the daemon's event engine, shared by the line monitor and the
// receiver.
#pragma once

#include <sys/types.h>

#include "core/ups_state.h"

// Compares the block's flags with `reported`, the flags VigilDiag last
// announced (all clear at start; the figures are not used), announces every
// change (tone and log line under the block's station name), wakes the
// autonomy worker while the mains are out, starts the shutdown when its
// condition is met, and ends the loops once a shutdown has started. While
// communication is lost only the end of the autonomy is still acted on.
// Call with the lock held.
void VigilDiag(core::UpsState* reported, pid_t worker);

// True when VigilDiag would do anything at all for `reported`: announce,
// wake the worker, start the shutdown or end the loops. Lets an idle poll
// skip the lock. Reads the block without the lock.
bool VigilDiagHasWork(const core::UpsState& reported);
