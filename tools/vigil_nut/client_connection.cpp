#include "tools/vigil_nut/client_connection.h"

#include <cerrno>
#include <sys/socket.h>
#include <unistd.h>

#include "tools/vigil_nut/command_line.h"

namespace vigil_nut {

ClientConnection::ClientConnection(linuxbase::UniqueFd fd, std::string address, int64_t nowMs)
    : fd_(std::move(fd)), lastHeardMs_(nowMs) {
  session_.address = std::move(address);
}

ClientConnection::Outcome ClientConnection::Receive(int64_t nowMs, const AnswerFn& answer) {
  char buffer[4096];
  ssize_t n;
  do {
    n = recv(fd_.get(), buffer, sizeof buffer, 0);
  } while (n < 0 && errno == EINTR);
  if (n < 0) return errno == EAGAIN || errno == EWOULDBLOCK ? Outcome::kKeep : Outcome::kClose;
  if (n == 0) return Outcome::kClose;
  lastHeardMs_ = nowMs;
  // After LOGOUT nothing more is taken.
  if (ending_) return Outcome::kKeep;
  for (ssize_t i = 0; i < n; ++i) {
    char c = buffer[i];
    if (c != '\n') {
      // One byte over the limit is enough to know the line is too long.
      if (line_.size() > kMaxLineBytes + 1) return Outcome::kClose;
      line_ += c;
      continue;
    }
    if (!line_.empty() && line_.back() == '\r') line_.pop_back();
    pending_ += answer(line_, session_);
    line_.clear();
    if (pending_.size() > kMaxPendingReplyBytes) return Outcome::kClose;
    if (session_.endAfterReply) {
      ending_ = true;
      break;
    }
  }
  if (line_.size() > kMaxLineBytes + 1) return Outcome::kClose;
  return Flush();
}

ClientConnection::Outcome ClientConnection::Flush() {
  while (!pending_.empty()) {
    ssize_t n = send(fd_.get(), pending_.data(), pending_.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return errno == EAGAIN || errno == EWOULDBLOCK ? Outcome::kKeep : Outcome::kClose;
    pending_.erase(0, static_cast<size_t>(n));
  }
  return ending_ ? Outcome::kClose : Outcome::kKeep;
}

}  // namespace vigil_nut
