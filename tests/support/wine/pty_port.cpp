// Test helper for the Wine runner: makes a pseudo-terminal, points the
// Wine prefix's COM port link at its terminal side, and runs a command that
// sees the link in VIGIL_SHIM_TTY, with the modem shim preloaded, and this
// process holding the pseudo-terminal open until the command ends.
//
//   pty_port PORT_LINK SHIM -- COMMAND [ARGUMENT...]
//
// PORT_LINK is the prefix's dosdevices/comN; SHIM the modem shim library,
// added to LD_PRELOAD. The line file VIGIL_PTY_LINES (from the runner) is
// also the adapter: while it is missing the adapter is pulled (the pty's
// master closed, which hangs the terminal up for good, and the link gone),
// and when it is back, plugged in again (a new pty, the link made again).
// Exits with the command's status.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include "tests/support/pty_device.h"

int main(int argc, char** argv) {
  if (argc < 5 || std::strcmp(argv[3], "--") != 0) {
    std::fprintf(stderr, "usage: pty_port PORT_LINK SHIM -- COMMAND [ARGUMENT...]\n");
    return 2;
  }
  const char* lines = std::getenv("VIGIL_PTY_LINES");
  if (!lines || !*lines) {
    std::fprintf(stderr, "pty_port: VIGIL_PTY_LINES names no line file\n");
    return 2;
  }
  try {
    PtyDevice port(argv[1]);
    std::string preload = argv[2];
    if (const char* earlier = std::getenv("LD_PRELOAD"); earlier && *earlier) preload += std::string(":") + earlier;
    if (setenv("VIGIL_SHIM_TTY", argv[1], 1) != 0 || setenv("LD_PRELOAD", preload.c_str(), 1) != 0) {
      std::fprintf(stderr, "pty_port: setenv: %s\n", std::strerror(errno));
      return 1;
    }
    pid_t child = fork();
    if (child < 0) {
      std::fprintf(stderr, "pty_port: fork: %s\n", std::strerror(errno));
      return 1;
    }
    if (child == 0) {
      execvp(argv[4], argv + 4);
      std::fprintf(stderr, "pty_port: %s: %s\n", argv[4], std::strerror(errno));
      _exit(127);
    }
    int status = 0;
    for (;;) {
      pid_t ended = waitpid(child, &status, WNOHANG);
      if (ended == child) break;
      if (ended < 0 && errno != EINTR) return 1;
      bool present = access(lines, F_OK) == 0;
      if (!present && port.plugged()) port.Pull();
      if (present && !port.plugged()) port.Plug();
      usleep(20000);
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "pty_port: %s\n", e.what());
    return 1;
  }
}
