#include "platform/durable_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "linuxbase/unique_fd.h"

namespace platform {

namespace {

bool Failed(const std::string& what, const std::string& path, std::string* error) {
  *error = path + ": " + what + ": " + std::strerror(errno);
  return false;
}

std::string FolderOf(const std::string& path) {
  size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

}  // namespace

bool WriteFileDurably(const std::string& path, const std::string& bytes, std::string* error, FileReaders readers) {
  std::string part = path + ".part";
  {
    linuxbase::UniqueFd fd(::open(part.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
    if (!fd) return Failed("open", part, error);
    // Set whole, whatever the umask and a leftover part file had.
    if (::fchmod(fd.get(), readers == FileReaders::kEveryone ? 0644 : 0600) != 0) return Failed("fchmod", part, error);
    size_t done = 0;
    while (done < bytes.size()) {
      ssize_t n = ::write(fd.get(), bytes.data() + done, bytes.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return Failed("write", part, error);
      done += static_cast<size_t>(n);
    }
    if (::fsync(fd.get()) != 0) return Failed("fsync", part, error);
  }
  if (::rename(part.c_str(), path.c_str()) != 0) return Failed("rename", path, error);
  linuxbase::UniqueFd folder(::open(FolderOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (!folder) return Failed("open", FolderOf(path), error);
  if (::fsync(folder.get()) != 0) return Failed("fsync", FolderOf(path), error);
  return true;
}

}  // namespace platform
