// A Linux descriptor that closes itself: closed once, when the owner goes
// or is reset, on every path. Moves, never copies; -1 when empty. Closing
// this way leaves errno as it was, so that an error path may simply return
// after the call that failed and its caller still reads why.
//   linuxbase::UniqueFd sock(socket(...));
//   if (!sock) return error;      // nothing to close
#pragma once

#include <unistd.h>

#include <cerrno>
#include <utility>

namespace linuxbase {

class UniqueFd {
 public:
  UniqueFd() = default;
  explicit UniqueFd(int fd) : fd_(fd) {}
  ~UniqueFd() { reset(); }
  UniqueFd(UniqueFd&& other) noexcept : fd_(other.release()) {}
  UniqueFd& operator=(UniqueFd&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  UniqueFd(const UniqueFd&) = delete;
  UniqueFd& operator=(const UniqueFd&) = delete;

  int get() const { return fd_; }
  explicit operator bool() const { return fd_ >= 0; }
  // Gives the descriptor up without closing it.
  int release() { return std::exchange(fd_, -1); }
  // Closes what is held (a failed close still gives the number up: Linux
  // frees it whatever close returns) and takes `fd`.
  void reset(int fd = -1) {
    if (fd_ >= 0) {
      int saved = errno;
      ::close(fd_);
      errno = saved;
    }
    fd_ = fd;
  }
  // Closes now, for a caller that must know: after a write, a failed close
  // can be the first word of lost data. Empty afterwards either way.
  bool Close() {
    int fd = release();
    return fd < 0 || ::close(fd) == 0;
  }

 private:
  int fd_ = -1;
};

}  // namespace linuxbase
