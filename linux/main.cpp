// vigil20: the Linux UPS monitor. With no argument it starts the daemon;
// "version", "stop" and "log" perform that command and exit.
#include <cerrno>
#include <cstring>
#include <unistd.h>

#include "commands.h"
#include "config_file.h"
#include "daemon_start.h"
#include "log_file.h"
#include "signals.h"

int main(int argc, char** argv) {
  errno = 0;
  if (nice(19) == -1 && errno != 0) {
    // Running at the normal priority is no reason not to protect the computer.
  }
  ReadConf(&config);
  InstallStopHandlers();

  if (argc > 1) {
    if (std::strcmp(argv[1], "version") == 0) return CommandVersion();
    if (std::strcmp(argv[1], "stop") == 0) return CommandStop();
    if (std::strcmp(argv[1], "log") == 0) return PrintLog();
  }
  return RunDaemon();
}
