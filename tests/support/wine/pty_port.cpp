// Test helper for the Wine runner: makes a pseudo-terminal, points the
// Wine prefix's COM port link at its terminal side, and runs a command that
// sees the terminal in VIGIL_SHIM_TTY, with this process holding the
// pseudo-terminal open until the command ends.
//
//   pty_port PORT_LINK SHIM -- COMMAND [ARGUMENT...]
//
// PORT_LINK is the prefix's dosdevices/comN; SHIM the modem shim library,
// added to LD_PRELOAD. Exits with the command's status.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

int main(int argc, char** argv) {
  if (argc < 5 || std::strcmp(argv[3], "--") != 0) {
    std::fprintf(stderr, "usage: pty_port PORT_LINK SHIM -- COMMAND [ARGUMENT...]\n");
    return 2;
  }
  int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
    std::fprintf(stderr, "pty_port: posix_openpt: %s\n", std::strerror(errno));
    return 1;
  }
  const char* terminal = ptsname(master);
  if (!terminal) {
    std::fprintf(stderr, "pty_port: ptsname: %s\n", std::strerror(errno));
    return 1;
  }
  std::string tty = terminal;
  if ((unlink(argv[1]) != 0 && errno != ENOENT) || symlink(tty.c_str(), argv[1]) != 0) {
    std::fprintf(stderr, "pty_port: %s -> %s: %s\n", argv[1], tty.c_str(), std::strerror(errno));
    return 1;
  }
  std::string preload = argv[2];
  if (const char* earlier = std::getenv("LD_PRELOAD"); earlier && *earlier) preload += std::string(":") + earlier;
  if (setenv("VIGIL_SHIM_TTY", tty.c_str(), 1) != 0 || setenv("LD_PRELOAD", preload.c_str(), 1) != 0) {
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
  while (waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return 1;
  }
  close(master);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}
