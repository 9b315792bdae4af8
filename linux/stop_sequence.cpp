#include "stop_sequence.h"

#include <cerrno>
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

#include "shared_block.h"
#include "worker_wake.h"

void ReapWorker(pid_t worker) {
  // The worker may be in any of its waits; the wake-up is repeated until it
  // has ended.
  for (;;) {
    WakeWorker(worker);
    pid_t r = waitpid(worker, nullptr, WNOHANG);
    if (r == worker || (r < 0 && errno != EINTR)) return;
    usleep(10000);
  }
}

int StopSequence(pid_t worker) {
  ReapWorker(worker);
  BlockSetRunning(true);
  while (BlockRunning()) usleep(500);
  return RemoveIpcObjects() ? 0 : 1;
}
