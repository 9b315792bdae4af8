#include "worker_wake.h"

#include <csignal>
#include <unistd.h>

void WakeWorker(pid_t worker) {
  if (worker > 0) kill(worker, SIGCONT);
}

void WakeWorkerOnChange(pid_t worker, const core::UpsState& before) {
  if (!SameUpsFlags(ReadUpsState(), before) && !BlockWorkerPaused()) WakeWorker(worker);
}

void WakeLineMonitor() {
  // The main process is the worker's parent; once it is gone the worker is
  // told to end (PR_SET_PDEATHSIG), and a SIGCONT to whoever adopted it
  // changes nothing.
  pid_t parent = getppid();
  if (parent > 1) kill(parent, SIGCONT);
}
