#include "diag.h"

#include <csignal>

#include "beep.h"
#include "config_file.h"
#include "log_file.h"
#include "shared_block.h"
#include "shutdown.h"
#include "worker_wake.h"

namespace {

void Announce(const char* message) {
  char name[kNameMax + 1];
  BlockDisplayName(name);
  Beep();
  Printl(name, message, config.console_on);
}

void WakeIfPaused(pid_t worker) {
  if (shmem[kWorkerPaused] == 1) WakeWorker(worker);
}

void StartShutdown(pid_t worker) {
  char name[kNameMax + 1];
  BlockDisplayName(name);
  shmem[kStopRequest] = 1;
  Printl(name, "Desligamento iniciado", config.console_on);
  ShutDown();
  WakeIfPaused(worker);
}

// The end of the predicted autonomy, and the end of the loops once a
// shutdown or a stop has begun.
void DiagnoseAutonomyAndStop(ReportedState* r, pid_t worker) {
  if (shmem[kAutonomyOver] == 0 && r->autonomy_over == 1) {
    Beep();
    r->autonomy_over = 0;
  }
  if (shmem[kAutonomyOver] == 1) {
    if (r->autonomy_over == 0) {
      Announce("Termino da autonomia prevista");
      r->autonomy_over = 1;
    }
    if (config.off_at_autonomy_end == 1 && shmem[kStopRequest] == 0) StartShutdown(worker);
  }
  if (shmem[kStopRequest] == 1) {
    WakeIfPaused(worker);
    shmem[kRunning] = 0;
  }
}

}  // namespace

bool VigilDiagHasWork(const ReportedState& r) {
  bool announce = shmem[kPowerFail] != r.power_fail || shmem[kBatteryLow] != r.battery_low ||
                  shmem[kBypass] != r.bypass || shmem[kCommFail] != r.comm_fail ||
                  shmem[kAutonomyOver] != r.autonomy_over;
  bool wake = shmem[kPowerFail] == 1 && shmem[kWorkerPaused] == 1;
  bool shut_down = shmem[kStopRequest] == 0 && ((shmem[kBatteryLow] == 1 && config.off_at_battery_low == 1) ||
                                                (shmem[kAutonomyOver] == 1 && config.off_at_autonomy_end == 1));
  return announce || wake || shut_down || shmem[kStopRequest] == 1;
}

void VigilDiag(ReportedState* r, pid_t worker) {
  if (shmem[kCommFail] == 0 && r->comm_fail == 1) {
    Announce("Comunicacao Ok");
    r->comm_fail = 0;
    return;
  }
  if (shmem[kCommFail] == 1) {
    if (r->comm_fail == 0) {
      Announce("Problemas na comunicacao. Verifique o cabo serial");
      r->comm_fail = 1;
    }
    // The lines say nothing more, but the estimate runs on from the last
    // power state they gave: its end still shuts the computer down.
    DiagnoseAutonomyAndStop(r, worker);
    return;
  }
  if (shmem[kBypass] == 0 && r->bypass == 1) {
    Announce("Saida de Bypass");
    r->bypass = 0;
  }
  if (shmem[kBypass] == 1 && r->bypass == 0) {
    Announce("Entrada em Bypass");
    r->bypass = 1;
  }
  if (shmem[kPowerFail] == 0 && r->power_fail == 1) {
    Announce("Retorno da rede");
    r->power_fail = 0;
  }
  if (shmem[kPowerFail] == 1) {
    if (r->power_fail == 0) {
      Announce("Falta de Rede");
      r->power_fail = 1;
    }
    WakeIfPaused(worker);
  }
  if (shmem[kBatteryLow] == 0 && r->battery_low == 1) {
    Announce("Bateria saiu de nivel critico");
    r->battery_low = 0;
  }
  if (shmem[kBatteryLow] == 1) {
    if (r->battery_low == 0) {
      Announce("Bateria em nivel critico");
      r->battery_low = 1;
    }
    if (config.off_at_battery_low == 1 && shmem[kStopRequest] == 0) StartShutdown(worker);
  }
  DiagnoseAutonomyAndStop(r, worker);
}