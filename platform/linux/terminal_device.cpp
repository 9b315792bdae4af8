#include "platform/terminal_linux.h"

#include <cerrno>
#include <cstring>

namespace platform {

bool OpenControllingTerminal(std::FILE** in, std::FILE** out, std::string* error) {
  *in = std::fopen("/dev/tty", "r");
  *out = *in ? std::fopen("/dev/tty", "w") : nullptr;
  if (*in && *out) return true;
  *error = std::string("no terminal: /dev/tty: ") + std::strerror(errno);
  if (*in) std::fclose(*in);
  *in = nullptr;
  return false;
}

}  // namespace platform
