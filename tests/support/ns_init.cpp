// First process of a test sandbox's PID namespace. It records its own host
// PID for the harness, gives the namespace its own /proc (tools such as
// LeakSanitizer read /proc/<pid> by the namespace's numbers), reaps every
// process that ends inside the sandbox (daemons detach and are re-parented
// here), and writes each one's exit status to a log. When it is killed the
// kernel ends the whole namespace.
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

static bool WritePid(const char* path, const char* self) {
  std::string tmp = std::string(path) + ".tmp";
  FILE* f = std::fopen(tmp.c_str(), "w");
  if (!f) return false;
  std::fprintf(f, "%s\n", self);
  if (std::fclose(f) != 0) return false;
  return std::rename(tmp.c_str(), path) == 0;
}

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: ns_init PIDFILE EXITLOG\n");
    return 2;
  }
  // Until the new /proc is mounted, /proc/self names the host PID.
  char host_pid[64] = {};
  if (readlink("/proc/self", host_pid, sizeof host_pid - 1) <= 0 ||
      mount("proc", "/proc", "proc", MS_NOSUID | MS_NODEV | MS_NOEXEC, nullptr) != 0 ||
      !WritePid(argv[1], host_pid)) {
    std::perror("ns_init");
    return 1;
  }
  for (;;) {
    int status = 0;
    pid_t pid = waitpid(-1, &status, 0);
    if (pid < 0) {
      if (errno == ECHILD) usleep(20000);
      continue;
    }
    FILE* log = std::fopen(argv[2], "a");
    if (!log) continue;
    if (WIFEXITED(status))
      std::fprintf(log, "%d exit %d\n", pid, WEXITSTATUS(status));
    else if (WIFSIGNALED(status))
      std::fprintf(log, "%d signal %d\n", pid, WTERMSIG(status));
    std::fclose(log);
  }
}
