// The CPU time and the context switches of a running process, for the
// benchmarks.
#pragma once

#include <cstdlib>
#include <dirent.h>
#include <sstream>
#include <string>
#include <sys/types.h>
#include <vector>

#include "sandbox.h"

// Calls `read` with the path of each thread's folder of `pid`
// ("/proc/<pid>/task/<tid>"); false when the process is gone.
template <typename ReadThread>
inline bool ForEachThread(pid_t pid, ReadThread read) {
  std::string tasks = "/proc/" + std::to_string(pid) + "/task";
  DIR* dir = opendir(tasks.c_str());
  if (!dir) return false;
  while (dirent* entry = readdir(dir))
    if (entry->d_name[0] != '.') read(tasks + "/" + entry->d_name);
  closedir(dir);
  return true;
}

// Nanoseconds on a CPU of every thread of `pid` so far (its threads'
// schedstat).
inline long long CpuNs(pid_t pid) {
  long long total = 0;
  ForEachThread(pid, [&](const std::string& thread) {
    std::istringstream fields(ReadWholeFile(thread + "/schedstat"));
    long long ns = 0;
    fields >> ns;
    total += ns;
  });
  return total;
}

// Context switches of every thread of `pid` so far, voluntary (it slept)
// and not (it was preempted).
inline long long ContextSwitches(pid_t pid) {
  long long total = 0;
  ForEachThread(pid, [&](const std::string& thread) {
    std::istringstream status(ReadWholeFile(thread + "/status"));
    std::string line;
    while (std::getline(status, line))
      if (line.find("ctxt_switches:") != std::string::npos) total += std::atoll(line.c_str() + line.find(':') + 1);
  });
  return total;
}

// The host PIDs of the processes whose environment holds the entry `mark`
// ("NAME=value") whole.
inline std::vector<pid_t> ProcessesMarked(const std::string& mark) {
  std::vector<pid_t> found;
  DIR* dir = opendir("/proc");
  while (dirent* entry = dir ? readdir(dir) : nullptr) {
    pid_t pid = std::atoi(entry->d_name);
    if (pid <= 0) continue;
    std::string environment = ReadWholeFile("/proc/" + std::to_string(pid) + "/environ");
    for (size_t at = environment.find(mark); at != std::string::npos; at = environment.find(mark, at + 1)) {
      size_t end = at + mark.size();
      if ((at == 0 || environment[at - 1] == '\0') && (end == environment.size() || environment[end] == '\0')) {
        found.push_back(pid);
        break;
      }
    }
  }
  if (dir) closedir(dir);
  return found;
}
