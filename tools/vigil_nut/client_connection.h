// One NUT client's connection: the bytes of its next request line, the
// replies it has not taken yet, and its session.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "linuxbase/unique_fd.h"
#include "tools/vigil_nut/protocol.h"

namespace vigil_nut {

// Replies held for a client that does not read them: beyond this the
// client is dropped, so that it never holds the others up.
inline constexpr size_t kMaxPendingReplyBytes = 64 * 1024;
// A client silent this long is disconnected (upsmon polls every few seconds).
inline constexpr int64_t kIdleLimitMs = 300 * 1000;

class ClientConnection {
 public:
  ClientConnection(linuxbase::UniqueFd fd, std::string address, int64_t nowMs);

  int fd() const { return fd_.get(); }
  const Session& session() const { return session_; }
  bool WantsToWrite() const { return !pending_.empty(); }
  // No more requests are taken; the connection ends once the replies are out.
  bool Ending() const { return ending_; }
  bool Idle(int64_t nowMs) const { return nowMs - lastHeardMs_ > kIdleLimitMs; }

  enum class Outcome { kKeep, kClose };

  // Reads what the socket has (once) and answers each whole request line
  // (its line end taken away) with `answer`. kClose when the peer closed, failed, sent a line over the
  // limit, or let its replies pile up beyond the limit.
  using AnswerFn = std::function<std::string(const std::string& line, Session& session)>;
  Outcome Receive(int64_t nowMs, const AnswerFn& answer);

  // Sends what it can of the pending replies.
  Outcome Flush();

 private:
  linuxbase::UniqueFd fd_;
  Session session_;
  std::string line_;     // the request line being received
  std::string pending_;  // replies not yet sent
  int64_t lastHeardMs_;
  bool ending_ = false;
};

}  // namespace vigil_nut
