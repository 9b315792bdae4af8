#include "platform/linux/spawn.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/wait.h>
#include <dlfcn.h>
#include <mutex>
#include <thread>
#include <unistd.h>

#include "linuxbase/unique_fd.h"

namespace platform {

SpawnResult SpawnDetached(const std::vector<std::string>& argv, bool quiet, pid_t* pid) {
  std::vector<char*> words;
  for (const std::string& a : argv) words.push_back(const_cast<char*>(a.c_str()));
  words.push_back(nullptr);

  // The child writes its exec's error on `report`; a close on exec says
  // that the program runs.
  int ends[2];
  if (pipe2(ends, O_CLOEXEC) != 0) return {SpawnStage::kSystem, errno};
  linuxbase::UniqueFd report_read(ends[0]), report_write(ends[1]);
  pid_t child = fork();
  if (child < 0) return {SpawnStage::kSystem, errno};
  if (child == 0) {
    setsid();
    if (quiet) {
      int null = open("/dev/null", O_RDWR);
      if (null >= 0) {
        dup2(null, 0);
        dup2(null, 1);
        dup2(null, 2);
        // By hand: between fork and exec no owner acts for the child.
        if (null > 2) close(null);
      }
    }
    execv(words[0], words.data());
    int error = errno;
    ssize_t ignored = write(report_write.get(), &error, sizeof error);
    (void)ignored;
    _exit(127);
  }
  report_write.reset();
  int error = 0;
  ssize_t n;
  do n = read(report_read.get(), &error, sizeof error);
  while (n < 0 && errno == EINTR);
  report_read.reset();
  *pid = child;
  if (n == static_cast<ssize_t>(sizeof error)) {
    waitpid(child, nullptr, 0);
    return {SpawnStage::kExec, error};
  }
  return {SpawnStage::kStarted, 0};
}

void ReapLater(pid_t pid) {
  // The waiting thread runs this code until the program ends, which may be
  // long after whoever loaded it has unloaded it (the applet, once
  // vigil-control closes it): the library that holds it stays mapped.
  static std::once_flag pinned;
  std::call_once(pinned, [] {
    Dl_info self;
    if (dladdr(reinterpret_cast<void*>(&ReapLater), &self) != 0 && self.dli_fname)
      (void)dlopen(self.dli_fname, RTLD_LAZY | RTLD_NOLOAD | RTLD_NODELETE);
  });
  std::thread([pid] { waitpid(pid, nullptr, 0); }).detach();
}

}  // namespace platform
