#include <unistd.h>

#include "roles.h"
#include "shared_block.h"
#include "signals.h"

namespace {
constexpr const char* kLabel = "Controle Da Autonomia";
}

int RunAutonomyWorker() {
  for (;;) {
    SemWait(shsemid, kLabel);
    bool open = shmem[kStartGate] == 0;
    SemPost(shsemid, kLabel);
    if (open) break;
    if (shmem[kRunning] == 0) return 0;
    sleep(1);
  }
  InstallResumeHandler();
  while (shmem[kRunning] == 1) usleep(100000);
  return 0;
}
