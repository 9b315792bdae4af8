#include "signals.h"

#include <csignal>

#include "line_wait.h"
#include "shared_block.h"

namespace {

volatile sig_atomic_t stop_signalled = 0;

void StopLoop(int) {
  stop_signalled = 1;
  BlockStopFromSignal();
  InterruptLineWait();
}

void ResumeProc(int) {}

void Install(int signal_number, void (*handler)(int)) {
  struct sigaction action = {};
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(signal_number, &action, nullptr);
}

}  // namespace

void InstallStopHandlers() {
  Install(SIGTERM, StopLoop);
  Install(SIGINT, StopLoop);
  Install(SIGQUIT, StopLoop);
}

void InstallResumeHandler() { Install(SIGCONT, ResumeProc); }

bool StopWasSignalled() { return stop_signalled != 0; }
