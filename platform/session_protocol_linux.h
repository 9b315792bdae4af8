// The session broker of the message boxes: vigil-session listens on the
// SOCK_SEQPACKET socket <root>/run/session; each box is one connection
// carrying one request and, when the sender waits, one reply.
//
// Request: four 32-bit little-endian words (style, time-out in seconds,
// wait 0 or 1, title length T), then the T bytes of the title and the text
// up to the end of the message, both UTF-8. Reply: the answer as one 32-bit
// little-endian word.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace platform::session {

inline constexpr const char* kSocketName = "session";
inline constexpr size_t kMaxRequestBytes = 16 + 8192;

struct Request {
  uint32_t style = 0;
  uint32_t timeoutSeconds = 0;
  bool wait = false;
  std::string title;
  std::string text;
};

// The request as sent; false when it does not fit kMaxRequestBytes.
bool Encode(const Request& request, std::string* bytes);
// Nothing for a message that is not a request.
std::optional<Request> Decode(const uint8_t* bytes, size_t size);

// The socket's path; empty when the run directory cannot be made.
std::string SocketPath();

}  // namespace platform::session
