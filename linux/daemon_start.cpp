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
#include "log_file.h"
#include "roles.h"
#include "service_notify.h"
#include "shared_block.h"
#include "signals.h"
#include "stop_sequence.h"

namespace {

// Write end of the pipe on which the invoking process waits for the start
// to succeed; -1 once reported, and in the worker.
int start_report_fd = -1;

// Detaches like daemon(1, 0) (new session, same directory, standard streams
// on the null device), except that the invoking process waits until the
// daemon reports its start, so that a failed start is not reported as
// success to whoever started it.
bool Daemonize() {
  int report[2];
  if (pipe2(report, O_CLOEXEC) != 0) return false;
  pid_t pid = fork();
  if (pid < 0) return false;
  if (pid > 0) {
    close(report[1]);
    char started;
    ssize_t n;
    do {
      n = read(report[0], &started, 1);
    } while (n < 0 && errno == EINTR);
    if (n == 1) _exit(0);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    _exit(WIFEXITED(status) && WEXITSTATUS(status) != 0 ? WEXITSTATUS(status) : 1);
  }
  close(report[0]);
  start_report_fd = report[1];
  if (setsid() < 0) return false;
  int null_fd = open("/dev/null", O_RDWR);
  if (null_fd < 0) return false;
  bool ok = dup2(null_fd, 0) >= 0 && dup2(null_fd, 1) >= 0 && dup2(null_fd, 2) >= 0;
  if (null_fd > 2) close(null_fd);
  return ok;
}

void ReportStarted() {
  if (start_report_fd < 0) return;
  char started = 1;
  ssize_t n;
  do {
    n = write(start_report_fd, &started, 1);
  } while (n < 0 && errno == EINTR);
  close(start_report_fd);
  start_report_fd = -1;
}

// The worker ends when the main process dies, even from SIGKILL: the
// SIGTERM runs StopLoop, which also ends a pause().
void RunWorkerProcess(pid_t main_process) {
  close(start_report_fd);
  start_report_fd = -1;
  if (prctl(PR_SET_PDEATHSIG, SIGTERM) != 0 || getppid() != main_process) _exit(0);
  _exit(RunAutonomyWorker());
}

// A role whose set-up failed leaves the worker at the start gate; it is
// told to end, and nothing of this run is left behind.
int AbandonStart(pid_t worker) {
  shmem[kRunning] = 0;
  ReapWorker(worker);
  RemoveIpcObjects();
  return 1;
}

}  // namespace

void OpenStartGate(const char* label) {
  SemWait(shsemid, label);
  shmem[kStartGate] = 0;
  SemPost(shsemid, label);
  // systemd hears first, so that it knows the main process before the
  // process it started exits.
  NotifyReady();
  ReportStarted();
}

int RunDaemon() {
  // Without a role the daemon would neither work nor ever end.
  if (!config.local_ups && !config.lan_receive) return 1;
  if (!Daemonize()) return 1;
  if (!CreateIpcObjects()) return 1;
  if (StopWasSignalled()) shmem[kRunning] = 0;
  SetFixedSettings(&daemon_config);
  LOGSIZE = 1000;

  pid_t main_process = getpid();
  pid_t worker = fork();
  if (worker < 0) {
    RemoveIpcObjects();
    return 1;
  }
  if (worker == 0) RunWorkerProcess(main_process);

  RoleEnd end = config.lan_receive ? RunReceiver(worker) : RunLineMonitor(worker);
  if (end == RoleEnd::kSetUpFailed) return AbandonStart(worker);
  int status = StopSequence(worker);
  return end == RoleEnd::kStoppedWithError ? 1 : status;
}
