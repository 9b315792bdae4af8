#include "linuxbase/ups_figures_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "linuxbase/unique_fd.h"

namespace linuxbase {

namespace {

std::string TemporaryPath(const char* path) { return std::string(path) + "tmp"; }

std::string Failed(const char* call, const std::string& path) {
  return std::string(call) + " " + path + ": " + std::strerror(errno);
}

}  // namespace

bool WriteUpsFiguresFile(const char* path, std::string_view text, std::string* error) {
  const std::string temporary = TemporaryPath(path);
  auto fail = [&](const char* call) {
    *error = Failed(call, temporary);
    unlink(temporary.c_str());
    return false;
  };
  UniqueFd fd(open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | O_NOFOLLOW, 0644));
  if (!fd) return fail("open");
  // The umask may have taken the others' reading away.
  if (fchmod(fd.get(), 0644) != 0) return fail("fchmod");
  for (size_t done = 0; done < text.size();) {
    ssize_t n = write(fd.get(), text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return fail("write");
    done += static_cast<size_t>(n);
  }
  if (close(fd.release()) != 0) return fail("close");
  if (rename(temporary.c_str(), path) != 0) return fail("rename");
  return true;
}

std::optional<std::string> ReadUpsFiguresFile(const char* path, size_t max) {
  UniqueFd fd(open(path, O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (!fd) return std::nullopt;
  std::string bytes(max + 1, '\0');
  size_t have = 0;
  while (have < bytes.size()) {
    ssize_t n = read(fd.get(), bytes.data() + have, bytes.size() - have);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return std::nullopt;
    if (n == 0) break;
    have += static_cast<size_t>(n);
  }
  if (have > max) return std::nullopt;
  bytes.resize(have);
  return bytes;
}

bool RemoveUpsFiguresFile(const char* path) {
  bool removed = unlink(path) == 0 || errno == ENOENT;
  unlink(TemporaryPath(path).c_str());
  return removed;
}

}  // namespace linuxbase
