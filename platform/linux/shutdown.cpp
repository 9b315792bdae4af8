// The shutdown privilege is held by root or by a process with CAP_SYS_BOOT.
// A request runs `systemctl poweroff` (with --force for a forced one), or
// the program named in VIGIL20_POWEROFF instead of `systemctl poweroff`;
// it is accepted when that command succeeds.
#include "platform/shutdown.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <linux/capability.h>
#include <spawn.h>
#include <string>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "platform/debug_output.h"
#include "platform/error_codes.h"

extern char** environ;

namespace platform {
namespace {

// A request that has not been answered by then counts as refused.
constexpr auto kRequestLimit = std::chrono::minutes(2);

bool HasBootCapability() {
  __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
  __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3] = {};
  if (syscall(SYS_capget, &header, data) != 0) return false;
  return (data[CAP_SYS_BOOT / 32].effective & (1u << (CAP_SYS_BOOT % 32))) != 0;
}

}  // namespace

bool AcquireShutdownPrivilege(uint32_t* error) {
  if (geteuid() == 0 || HasBootCapability()) return true;
  *error = kErrorNotAllAssigned;
  return false;
}

bool RequestShutdown(bool force, uint32_t* error) {
  uint32_t ignored = 0;
  if (!AcquireShutdownPrivilege(&ignored)) {
    *error = kErrorPrivilegeNotHeld;
    return false;
  }
  const char* replacement = std::getenv("VIGIL20_POWEROFF");
  std::vector<std::string> words;
  if (replacement && *replacement) {
    words = {replacement};
  } else {
    words = {"systemctl", "poweroff"};
  }
  if (force) words.push_back("--force");
  std::vector<char*> argv;
  for (auto& word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  int spawned = posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ);
  if (spawned != 0) {
    DebugPrintf("shutdown: cannot run %s: %s\n", argv[0], std::strerror(spawned));
    *error = kErrorFunctionFailed;
    return false;
  }
  auto deadline = std::chrono::steady_clock::now() + kRequestLimit;
  int status = 0;
  for (;;) {
    pid_t ended = waitpid(pid, &status, WNOHANG);
    if (ended == pid) break;
    if (ended < 0 && errno != EINTR) {
      *error = kErrorFunctionFailed;
      return false;
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      DebugPrintf("shutdown: %s did not answer in time\n", argv[0]);
      *error = kErrorFunctionFailed;
      return false;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return true;
  DebugPrintf("shutdown: %s refused the request\n", argv[0]);
  *error = kErrorFunctionFailed;
  return false;
}

}  // namespace platform
