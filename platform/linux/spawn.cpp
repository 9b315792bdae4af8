#include "platform/linux/spawn.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace platform {

SpawnResult SpawnDetached(const std::vector<std::string>& argv, bool quiet, pid_t* pid) {
  std::vector<char*> words;
  for (const std::string& a : argv) words.push_back(const_cast<char*>(a.c_str()));
  words.push_back(nullptr);

  int report[2];
  if (pipe2(report, O_CLOEXEC) != 0) return {SpawnStage::kSystem, errno};
  pid_t child = fork();
  if (child < 0) {
    int error = errno;
    close(report[0]);
    close(report[1]);
    return {SpawnStage::kSystem, error};
  }
  if (child == 0) {
    setsid();
    if (quiet) {
      int null = open("/dev/null", O_RDWR);
      if (null >= 0) {
        dup2(null, 0);
        dup2(null, 1);
        dup2(null, 2);
        if (null > 2) close(null);
      }
    }
    execv(words[0], words.data());
    int error = errno;
    ssize_t ignored = write(report[1], &error, sizeof error);
    (void)ignored;
    _exit(127);
  }
  close(report[1]);
  int error = 0;
  ssize_t n;
  do n = read(report[0], &error, sizeof error);
  while (n < 0 && errno == EINTR);
  close(report[0]);
  *pid = child;
  if (n == static_cast<ssize_t>(sizeof error)) {
    waitpid(child, nullptr, 0);
    return {SpawnStage::kExec, error};
  }
  return {SpawnStage::kStarted, 0};
}

void ReapLater(pid_t pid) {
  std::thread([pid] { waitpid(pid, nullptr, 0); }).detach();
}

}  // namespace platform
