#include "worker_wake.h"

#include <csignal>

void WakeWorker(pid_t worker) {
  if (worker > 0) kill(worker, SIGCONT);
}

void WakeWorkerOnChange(pid_t worker, const UpsFlags& before) {
  if (!(BlockFlags() == before) && shmem[kWorkerPaused] == 0) WakeWorker(worker);
}
