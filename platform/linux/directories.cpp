// The Windows directory is <host root>/windows and the system directory
// <host root>/system32. The system directory is created on first use, since
// on Windows it always exists; the Windows directory only when a file is to
// be written there, so that a program that only reads (vigil-web looking for
// the suite's event file) leaves the host root as it found it.
#include "platform/directories.h"

#include <climits>
#include <cstring>
#include <string>

#include "platform/debug_output.h"
#include "platform/linux/host_root.h"

namespace platform {
namespace {

std::string WindowsDir() { return HostRoot() + "/windows"; }

bool MakeFolder(const std::string& path) {
  std::string error;
  if (MakeDirectories(path, &error)) return true;
  DebugPrintf("platform: %s\n", error.c_str());
  return false;
}

uint32_t CopyPath(const std::string& path, char* buffer, uint32_t size) {
  if (path.size() + 1 > size) return static_cast<uint32_t>(path.size() + 1);
  std::memcpy(buffer, path.c_str(), path.size() + 1);
  return static_cast<uint32_t>(path.size());
}

}  // namespace

uint32_t GetWindowsDir(char* buffer, uint32_t size) { return CopyPath(WindowsDir(), buffer, size); }

bool PrepareWindowsDirForWriting() { return MakeFolder(WindowsDir()); }

uint32_t GetSystemDir(char* buffer, uint32_t size) {
  std::string path = HostRoot() + "/system32";
  return MakeFolder(path) ? CopyPath(path, buffer, size) : 0;
}

uint32_t MaxPathBytes() { return PATH_MAX; }

char PathSeparator() { return '/'; }

}  // namespace platform
