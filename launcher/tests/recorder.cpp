// A program for the launcher's tests: appends its command tail to the file
// named in VIGIL_RECORDER_LOG, one line per run.
#include <cstdio>
#include <cstdlib>

#include "platform/command_tail.h"

int main(int argc, char** argv) {
  const char* log = std::getenv("VIGIL_RECORDER_LOG");
  if (!log) return 2;
  FILE* file = std::fopen(log, "a");
  if (!file) return 1;
  std::fprintf(file, "ran %s\n", platform::CommandTail(argc, argv).c_str());
  return std::fclose(file) == 0 ? 0 : 1;
}
