// A box goes to the session broker (vigil-session) as one request on its
// socket; the broker shows it and sends the answer back. With nobody
// listening, the text goes to standard error and the box times out at once.
#include "platform/message_box.h"

#include <cerrno>
#include <cstring>
#include <string>
#include <unistd.h>

#include "linuxbase/unique_fd.h"
#include "platform/debug_output.h"
#include "platform/error_codes.h"
#include "platform/seqpacket_linux.h"
#include "platform/session_protocol_linux.h"
#include "platform/win1252.h"

namespace platform {
namespace {

void ToStandardError(const std::string& title, const std::string& text) {
  std::string line = title + ": " + text + "\n";
  DebugOutput(line.c_str());
}

}  // namespace

bool SendSessionMessage(const char* title, const char* text, uint32_t style, uint32_t timeoutSeconds, bool wait,
                        int32_t* answer, uint32_t* error) {
  session::Request request;
  request.style = style;
  request.timeoutSeconds = timeoutSeconds;
  request.wait = wait;
  request.title = win1252::ToUtf8(title ? title : "", win1252::Unassigned::kControl);
  request.text = win1252::ToUtf8(text ? text : "", win1252::Unassigned::kControl);
  std::string bytes;
  if (!session::Encode(request, &bytes)) {
    *error = kErrorNotEnoughMemory;
    return false;
  }
  std::string path = session::SocketPath();
  linuxbase::UniqueFd fd(path.empty() ? -1 : seqpacket::Connect(path));
  if (!fd) {
    ToStandardError(request.title, request.text);
    *answer = wait ? kIdTimeout : kIdAsync;
    return true;
  }
  if (!seqpacket::Send(fd.get(), bytes.data(), bytes.size())) {
    *error = kErrorBrokenPipe;
    return false;
  }
  if (!wait) {
    *answer = kIdAsync;
    return true;
  }
  // The broker ends the box after its time-out; a broker that does not is
  // given one second more.
  int limit = timeoutSeconds == 0 ? -1 : static_cast<int>(timeoutSeconds) * 1000 + 1000;
  uint8_t reply[4];
  ssize_t n = seqpacket::Receive(fd.get(), reply, sizeof reply, limit);
  if (n == 4) {
    *answer =
        static_cast<int32_t>(reply[0] | (reply[1] << 8) | (reply[2] << 16) | (static_cast<uint32_t>(reply[3]) << 24));
    return true;
  }
  if (n < 0 && errno == ETIMEDOUT) {
    *answer = kIdTimeout;
    return true;
  }
  *error = kErrorBrokenPipe;
  return false;
}

bool SessionListenerPresent() {
  std::string path = session::SocketPath();
  return static_cast<bool>(linuxbase::UniqueFd(path.empty() ? -1 : seqpacket::Connect(path)));
}

}  // namespace platform
