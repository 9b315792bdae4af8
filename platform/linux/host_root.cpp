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

bool MakeDirectories(const std::string& path, std::string* error) {
  for (size_t end = 1; end <= path.size(); ++end) {
    if (end != path.size() && path[end] != '/') continue;
    std::string level = path.substr(0, end);
    if (mkdir(level.c_str(), 0755) == 0 || errno == EEXIST) continue;
    if (error) *error = "mkdir " + level + ": " + std::strerror(errno);
    return false;
  }
  struct stat st;
  if (stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    if (error) *error = path + " is not a directory";
    return false;
  }
  return true;
}

}  // namespace platform
