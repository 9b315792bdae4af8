#include "platform/start_program.h"

#include <cerrno>

#include "platform/error_codes.h"
#include "platform/linux/spawn.h"

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
  pid_t child = 0;
  SpawnResult started = SpawnDetached(words, true, &child);
  if (started.stage != SpawnStage::kStarted) return Win32Error(started.error);
  // Nobody waits for the program.
  ReapLater(child);
  return 0;
}

}  // namespace platform
