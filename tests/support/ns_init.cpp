// First process of a test sandbox's PID namespace. It records its own host
// PID for the harness, reaps every process that ends inside the sandbox
// (daemons detach and are re-parented here), and writes each one's exit
// status to a log. When it is killed the kernel ends the whole namespace.
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

static bool WriteHostPid(const char* path) {
  char self[64] = {};
  // /proc is still the host's, so /proc/self names the host PID.
  ssize_t n = readlink("/proc/self", self, sizeof self - 1);
  if (n <= 0) return false;
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
  if (!WriteHostPid(argv[1])) {
    std::perror("ns_init: pid file");
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
