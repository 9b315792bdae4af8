#include "platform/linux/run_directory.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

#include "platform/linux/host_root.h"

namespace platform {
namespace {

bool MakeShared(const std::string& path, std::string* error) {
  if (mkdir(path.c_str(), 01777) == 0) {
    // The umask narrowed the mode; shared directories need all of it.
    if (chmod(path.c_str(), 01777) != 0) {
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

}  // namespace

bool RunDirectory(const std::string& name, std::string* path, std::string* error) {
  std::string root = HostRoot();
  if (!MakeDirectories(root, error)) return false;
  std::string run = root + "/run";
  if (!MakeShared(run, error)) return false;
  if (name.empty()) {
    *path = run;
    return true;
  }
  *path = run + "/" + name;
  return MakeShared(*path, error);
}

std::string FileNameFor(const std::string& name) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string out;
  for (size_t i = 0; i < name.size(); ++i) {
    auto byte = static_cast<unsigned char>(name[i]);
    bool plain = (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') || (byte >= '0' && byte <= '9') ||
                 byte == '-' || byte == '_' || (byte == '.' && i > 0);
    if (plain) {
      out += name[i];
    } else {
      out += '%';
      out += kDigits[byte >> 4];
      out += kDigits[byte & 15];
    }
  }
  return out;
}

}  // namespace platform
