#include "diag.h"

#include <csignal>

#include "beep.h"
#include "config_file.h"
#include "core/event_kind_table.h"
#include "log_file.h"
#include "shared_block.h"
#include "shutdown.h"
#include "worker_wake.h"

namespace {

using core::Event;

void Announce(Event event) {
  char name[kNameMax + 1];
  BlockDisplayName(name);
  Beep();
  Printl(name, core::Info(event).daemon_text, config.console_on);
}

void WakeIfPaused(pid_t worker) {
  if (BlockWorkerPaused()) WakeWorker(worker);
}

void StartShutdown(pid_t worker) {
  char name[kNameMax + 1];
  BlockDisplayName(name);
  BlockRequestStop();
  Printl(name, core::Info(Event::ShutdownAccepted).daemon_text, config.console_on);
  ShutDown();
  WakeIfPaused(worker);
}

// The end of the predicted autonomy, and the end of the loops once a
// shutdown or a stop has begun.
void DiagnoseAutonomyAndStop(const core::UpsState& now, core::UpsState* r, pid_t worker) {
  if (!now.autonomy_end && r->autonomy_end) {
    Beep();
    r->autonomy_end = false;
  }
  if (now.autonomy_end) {
    if (!r->autonomy_end) {
      Announce(Event::AutonomyEnd);
      r->autonomy_end = true;
    }
    if (config.off_at_autonomy_end == 1 && !BlockStopRequested()) StartShutdown(worker);
  }
  if (BlockStopRequested()) {
    WakeIfPaused(worker);
    BlockSetRunning(false);
  }
}

}  // namespace

bool VigilDiagHasWork(const core::UpsState& r) {
  core::UpsState now = ReadUpsState();
  bool announce = !SameUpsFlags(now, r);
  bool wake = now.mains_failure && BlockWorkerPaused();
  bool shut_down = !BlockStopRequested() && ((now.battery_critical && config.off_at_battery_critical == 1) ||
                                             (now.autonomy_end && config.off_at_autonomy_end == 1));
  return announce || wake || shut_down || BlockStopRequested();
}

void VigilDiag(core::UpsState* r, pid_t worker) {
  // The flags move only under the lock, which the caller holds.
  const core::UpsState now = ReadUpsState();
  if (!now.signal_fault && r->signal_fault) {
    Announce(Event::SignalRestored);
    r->signal_fault = false;
    return;
  }
  if (now.signal_fault) {
    if (!r->signal_fault) {
      Announce(Event::SignalFault);
      r->signal_fault = true;
    }
    // The lines say nothing more, but the estimate runs on from the last
    // power state they gave: its end still shuts the computer down.
    DiagnoseAutonomyAndStop(now, r, worker);
    return;
  }
  if (!now.bypass && r->bypass) {
    Announce(Event::BypassOff);
    r->bypass = false;
  }
  if (now.bypass && !r->bypass) {
    Announce(Event::BypassOn);
    r->bypass = true;
  }
  if (!now.mains_failure && r->mains_failure) {
    Announce(Event::MainsReturn);
    r->mains_failure = false;
  }
  if (now.mains_failure) {
    if (!r->mains_failure) {
      Announce(Event::MainsFailure);
      r->mains_failure = true;
    }
    WakeIfPaused(worker);
  }
  if (!now.battery_critical && r->battery_critical) {
    Announce(Event::BatteryRecovered);
    r->battery_critical = false;
  }
  if (now.battery_critical) {
    if (!r->battery_critical) {
      Announce(Event::BatteryCritical);
      r->battery_critical = true;
    }
    if (config.off_at_battery_critical == 1 && !BlockStopRequested()) StartShutdown(worker);
  }
  DiagnoseAutonomyAndStop(now, r, worker);
}
