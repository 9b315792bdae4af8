#include "stop_sequence.h"

#include <cerrno>
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

#include "shared_block.h"

void ReapWorker(pid_t worker) {
  // A SIGCONT that reaches the worker just before it calls pause() is lost,
  // so it is repeated for as long as the worker sleeps.
  for (;;) {
    if (shmem[kWorkerPaused] == 1) kill(worker, SIGCONT);
    pid_t r = waitpid(worker, nullptr, WNOHANG);
    if (r == worker || (r < 0 && errno != EINTR)) return;
    usleep(10000);
  }
}

int StopSequence(pid_t worker) {
  ReapWorker(worker);
  shmem[kRunning] = 1;
  while (shmem[kRunning] != 0) usleep(500);
  return RemoveIpcObjects() ? 0 : 1;
}
