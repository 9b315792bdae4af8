#include "platform/linux/host_root.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>

namespace platform {

std::string HostRoot() {
  const char* value = std::getenv(kHostRootVariable);
  std::string root = (value && *value) ? value : kDefaultHostRoot;
  while (root.size() > 1 && root.back() == '/') root.pop_back();
  return root;
}

bool MakeDirectory(const std::string& path, unsigned mode, bool exactMode, std::string* error) {
  if (mkdir(path.c_str(), mode) == 0) {
    if (exactMode && chmod(path.c_str(), mode) != 0) {
      if (error) *error = "chmod " + path + ": " + std::strerror(errno);
      return false;
    }
    return true;
  }
  if (errno != EEXIST) {
    if (error) *error = "mkdir " + path + ": " + std::strerror(errno);
    return false;
  }
  struct stat st;
  if (stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    if (error) *error = path + " is not a directory";
    return false;
  }
  return true;
}

bool MakeDirectories(const std::string& path, std::string* error) {
  for (size_t end = 1; end <= path.size(); ++end) {
    if (end != path.size() && path[end] != '/') continue;
    if (!MakeDirectory(path.substr(0, end), 0755, false, error)) return false;
  }
  return true;
}

}  // namespace platform
