#include "daemon_start.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "config_file.h"
#include "linuxbase/unique_fd.h"
#include "log_file.h"
#include "roles.h"
#include "shared_block.h"
#include "signals.h"
#include "stop_sequence.h"

namespace {

// Detaches like daemon(1, 0) (new session, same directory, standard streams
// on the null device), except that the invoking process waits until the
// daemon reports its start on `gate`, so that a failed start is not
// reported as success to whoever started it.
bool Daemonize(StartGate* gate) {
  int report[2];
  if (pipe2(report, O_CLOEXEC) != 0) return false;
  linuxbase::UniqueFd readEnd(report[0]);
  gate->report.reset(report[1]);
  pid_t pid = fork();
  if (pid < 0) return false;
  if (pid > 0) {
    gate->report.reset();
    char started;
    ssize_t n;
    do {
      n = read(readEnd.get(), &started, 1);
    } while (n < 0 && errno == EINTR);
    if (n == 1) _exit(0);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    _exit(WIFEXITED(status) && WEXITSTATUS(status) != 0 ? WEXITSTATUS(status) : 1);
  }
  readEnd.reset();
  if (setsid() < 0) return false;
  linuxbase::UniqueFd null_fd(open("/dev/null", O_RDWR));
  if (!null_fd) return false;
  bool ok = dup2(null_fd.get(), 0) >= 0 && dup2(null_fd.get(), 1) >= 0 && dup2(null_fd.get(), 2) >= 0;
  // Kept open when it is one of the standard streams it was put on.
  if (null_fd.get() <= 2) null_fd.release();
  return ok;
}

// The worker ends when the main process dies, even from SIGKILL: the
// SIGTERM runs StopLoop, which also ends a pause().
void RunWorkerProcess(pid_t main_process, StartGate* gate) {
  gate->report.reset();
  if (prctl(PR_SET_PDEATHSIG, SIGTERM) != 0 || getppid() != main_process) _exit(0);
  _exit(RunAutonomyWorker());
}

// A role whose set-up failed leaves the worker at the start gate; it is
// told to end, and nothing of this run is left behind.
int AbandonStart(pid_t worker) {
  BlockSetRunning(false);
  ReapWorker(worker);
  RemoveIpcObjects();
  return 1;
}

}  // namespace

int RunDaemon() {
  // Without a role the daemon would neither work nor ever end.
  if (!config.local_ups && !config.lan_receive) return 1;
  StartGate gate;
  if (!Daemonize(&gate)) return 1;
  if (!CreateIpcObjects()) return 1;
  if (StopWasSignalled()) BlockSetRunning(false);
  DaemonConfig daemon_config;
  SetFixedSettings(&daemon_config);

  pid_t main_process = getpid();
  pid_t worker = fork();
  if (worker < 0) {
    RemoveIpcObjects();
    return 1;
  }
  if (worker == 0) RunWorkerProcess(main_process, &gate);

  RoleEnd end =
      config.lan_receive ? RunReceiver(worker, &gate, daemon_config) : RunLineMonitor(worker, &gate, daemon_config);
  if (end == RoleEnd::kSetUpFailed) return AbandonStart(worker);
  int status = StopSequence(worker);
  return end == RoleEnd::kStoppedWithError ? 1 : status;
}
