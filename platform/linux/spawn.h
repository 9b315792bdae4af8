// Starting a program detached from ours (a session of its own), with the
// exec's failure reported back: the shell's and the service manager's way
// of starting programs.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace platform {

enum class SpawnStage {
  kStarted,  // the program runs; *pid is it
  kSystem,   // no pipe or no process could be had
  kExec,     // the program could not be run
};

struct SpawnResult {
  SpawnStage stage = SpawnStage::kStarted;
  int error = 0;  // errno of the failure
};

// Runs argv[0] with `argv`, looked up as a path (no PATH search). With
// `quiet`, its standard input and outputs are /dev/null. The exec's errno
// comes back through a close-on-exec pipe, so a failure is known before
// this returns; a failed child is already reaped.
SpawnResult SpawnDetached(const std::vector<std::string>& argv, bool quiet, pid_t* pid);

// Collects the program's end on a thread of its own, so that nobody need
// wait for it and it leaves no zombie.
void ReapLater(pid_t pid);

}  // namespace platform
