#include "platform/error_codes.h"
#include "platform/start_program.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace platform {
namespace {

uint32_t Win32Error(int error) {
  switch (error) {
    case ENOENT:
    case ENOTDIR:
      return kErrorFileNotFound;
    case EACCES:
    case EPERM:
      return kErrorAccessDenied;
    case ENOMEM:
      return kErrorNotEnoughMemory;
    case ENOEXEC:
      return kErrorBadExeFormat;
    default:
      return kErrorGenFailure;
  }
}

}  // namespace

uint32_t StartProgram(const std::string& path, const std::vector<std::string>& arguments) {
  std::vector<std::string> words{path};
  words.insert(words.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);

  // The exec's failure comes back through a pipe closed by a good exec.
  int report[2];
  if (pipe2(report, O_CLOEXEC) != 0) return Win32Error(errno);
  pid_t child = fork();
  if (child < 0) {
    int error = errno;
    close(report[0]);
    close(report[1]);
    return Win32Error(error);
  }
  if (child == 0) {
    setsid();
    int null = open("/dev/null", O_RDWR);
    if (null >= 0) {
      dup2(null, 0);
      dup2(null, 1);
      dup2(null, 2);
      if (null > 2) close(null);
    }
    execv(path.c_str(), argv.data());
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
  if (n == static_cast<ssize_t>(sizeof error)) {
    waitpid(child, nullptr, 0);
    return Win32Error(error);
  }
  // Nobody waits for the program; its end is collected so that it leaves
  // no zombie behind.
  std::thread([child] { waitpid(child, nullptr, 0); }).detach();
  return 0;
}

}  // namespace platform
