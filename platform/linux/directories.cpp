// The Windows directory is <host root>/windows and the system directory
// <host root>/system32. Both are created on first use, since on Windows they
// always exist.
#include "platform/directories.h"

#include <climits>
#include <cstring>
#include <string>

#include "platform/debug_output.h"
#include "platform/linux/host_root.h"

namespace platform {
namespace {

uint32_t CopyDirectory(const std::string& path, char* buffer, uint32_t size) {
  std::string error;
  if (!MakeDirectories(path, &error)) {
    DebugPrintf("platform: %s\n", error.c_str());
    return 0;
  }
  if (path.size() + 1 > size) return static_cast<uint32_t>(path.size() + 1);
  std::memcpy(buffer, path.c_str(), path.size() + 1);
  return static_cast<uint32_t>(path.size());
}

}  // namespace

uint32_t GetWindowsDir(char* buffer, uint32_t size) { return CopyDirectory(HostRoot() + "/windows", buffer, size); }

uint32_t GetSystemDir(char* buffer, uint32_t size) { return CopyDirectory(HostRoot() + "/system32", buffer, size); }

uint32_t MaxPathBytes() { return PATH_MAX; }

char PathSeparator() { return '/'; }

}  // namespace platform
