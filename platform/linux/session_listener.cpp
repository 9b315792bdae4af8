// Somebody listens when the session broker's socket takes a connection.
#include "platform/session_listener.h"

#include <unistd.h>

#include <string>

#include "platform/linux/seqpacket.h"
#include "platform/linux/session_protocol.h"

namespace platform {

bool SessionListenerPresent() {
  std::string path = session::SocketPath();
  int fd = path.empty() ? -1 : seqpacket::Connect(path);
  if (fd < 0) return false;
  close(fd);
  return true;
}

}  // namespace platform
