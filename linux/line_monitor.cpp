#include <unistd.h>

#include "config_file.h"
#include "roles.h"
#include "shared_block.h"

int RunLineMonitor(pid_t) {
  OpenStartGate("Envia Mensagens");
  while (shmem[kRunning] == 1) usleep(daemon_config.period_us);
  return 0;
}
