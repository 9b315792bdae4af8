#include "platform/seqpacket_linux.h"

#include <cerrno>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include "linuxbase/unique_fd.h"

namespace platform::seqpacket {
namespace {

using linuxbase::UniqueFd;

bool Address(const std::string& path, sockaddr_un* address) {
  if (!PathFits(path)) {
    errno = ENAMETOOLONG;
    return false;
  }
  std::memset(address, 0, sizeof *address);
  address->sun_family = AF_UNIX;
  std::memcpy(address->sun_path, path.c_str(), path.size() + 1);
  return true;
}

UniqueFd NewSocket() { return UniqueFd(socket(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0)); }

}  // namespace

bool PathFits(const std::string& path) { return path.size() < sizeof(sockaddr_un{}.sun_path); }

int Connect(const std::string& path) {
  sockaddr_un address;
  if (!Address(path, &address)) return -1;
  UniqueFd fd = NewSocket();
  if (!fd) return -1;
  while (connect(fd.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    if (errno != EINTR) return -1;
  }
  return fd.release();
}

int Listen(const std::string& path, mode_t mode, int backlog) {
  sockaddr_un address;
  if (!Address(path, &address)) return -1;
  UniqueFd fd = NewSocket();
  if (!fd) return -1;
  for (int attempt = 0;; ++attempt) {
    if (bind(fd.get(), reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) break;
    if (errno != EADDRINUSE || attempt > 0) return -1;
    // A socket file nobody answers on is what a process that ended left.
    UniqueFd probe(Connect(path));
    if (probe || errno != ECONNREFUSED || unlink(path.c_str()) != 0) {
      errno = EADDRINUSE;
      return -1;
    }
  }
  if (chmod(path.c_str(), mode) != 0 || listen(fd.get(), backlog) != 0) {
    int error = errno;
    unlink(path.c_str());
    errno = error;
    return -1;
  }
  return fd.release();
}

int Accept(int listener) {
  for (;;) {
    int fd = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
    if (fd >= 0 || errno != EINTR) return fd;
  }
}

bool Send(int fd, const void* data, size_t size) {
  for (;;) {
    ssize_t n = send(fd, data, size, MSG_NOSIGNAL);
    if (n == static_cast<ssize_t>(size)) return true;
    if (n < 0 && errno == EINTR) continue;
    if (n >= 0) errno = EMSGSIZE;
    return false;
  }
}

ssize_t Receive(int fd, void* buffer, size_t size, int timeout_ms, bool* truncated) {
  if (truncated) *truncated = false;
  pollfd wanted{fd, POLLIN, 0};
  for (;;) {
    int ready = poll(&wanted, 1, timeout_ms);
    if (ready < 0 && errno == EINTR) continue;
    if (ready < 0) return -1;
    if (ready == 0) {
      errno = ETIMEDOUT;
      return -1;
    }
    break;
  }
  for (;;) {
    ssize_t n = recv(fd, buffer, size, MSG_TRUNC);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return -1;
    if (static_cast<size_t>(n) > size) {
      if (truncated) *truncated = true;
      return static_cast<ssize_t>(size);
    }
    return n;
  }
}

}  // namespace platform::seqpacket
