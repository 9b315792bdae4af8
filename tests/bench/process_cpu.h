// The CPU time of a running process, for the benchmarks.
#pragma once

#include <dirent.h>
#include <sstream>
#include <string>
#include <sys/types.h>

#include "sandbox.h"

// Nanoseconds on a CPU of every thread of `pid` so far (its threads'
// schedstat).
inline long long CpuNs(pid_t pid) {
  long long total = 0;
  std::string tasks = "/proc/" + std::to_string(pid) + "/task";
  DIR* dir = opendir(tasks.c_str());
  if (!dir) return 0;
  while (dirent* entry = readdir(dir)) {
    if (entry->d_name[0] == '.') continue;
    std::istringstream fields(ReadWholeFile(tasks + "/" + entry->d_name + "/schedstat"));
    long long ns = 0;
    fields >> ns;
    total += ns;
  }
  closedir(dir);
  return total;
}
