#include "platform/linux/run_directory.h"

#include "platform/linux/host_root.h"

namespace platform {
namespace {

// Shared by every process of the host, whoever made it.
bool MakeShared(const std::string& path, std::string* error) { return MakeDirectory(path, 01777, true, error); }

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
