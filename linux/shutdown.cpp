#include "shutdown.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <sys/wait.h>
#include <unistd.h>

#include "config_file.h"
#include "linuxbase/monotonic_clock.h"
#include "linuxbase/unique_file.h"

namespace {

struct PowerOff {
  const char* program;
  const char* command;
};

constexpr PowerOff kPowerOffs[] = {
    {"/sbin/poweroff", "/sbin/poweroff"},
    {"/sbin/shutdown", "/sbin/shutdown -t 1 now"},
    {"/sbin/init", "/sbin/init 0"},
};

bool CanBeRead(const char* path) { return linuxbase::UniqueFile(std::fopen(path, "r")) != nullptr; }

// Runs `command` through /bin/sh in a process group of its own and waits
// for it at most `limit_s` seconds; after that the group is killed and the
// caller goes on. Failures of the command are not reported.
void RunCommand(const char* command, int limit_s) {
  pid_t pid = fork();
  if (pid < 0) return;
  if (pid == 0) {
    setpgid(0, 0);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    execl("/bin/sh", "sh", "-c", command, static_cast<char*>(nullptr));
    _exit(127);
  }
  setpgid(pid, pid);  // also here, so that the kill below cannot miss the group
  const int64_t deadline_ms = linuxbase::MonotonicMs() + limit_s * 1000LL;
  for (;;) {
    pid_t r = waitpid(pid, nullptr, WNOHANG);
    if (r == pid || (r < 0 && errno != EINTR)) return;
    if (linuxbase::MonotonicMs() >= deadline_ms) break;
    usleep(50000);
  }
  kill(-pid, SIGKILL);
  while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
  }
}

}  // namespace

void ShutDown() {
  if (config.script_on == 1 && config.script[0] != '\0') RunCommand(config.script, kCommandLimitSeconds);
  for (const auto& p : kPowerOffs) {
    if (CanBeRead(p.program)) {
      RunCommand(p.command, kCommandLimitSeconds);
      return;
    }
  }
}
