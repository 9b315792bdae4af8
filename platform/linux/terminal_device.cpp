#include "platform/terminal_linux.h"

#include <cerrno>
#include <cstring>

#include "linuxbase/unique_file.h"

namespace platform {

bool OpenControllingTerminal(std::FILE** in, std::FILE** out, std::string* error) {
  linuxbase::UniqueFile reading(std::fopen("/dev/tty", "r"));
  linuxbase::UniqueFile writing(reading ? std::fopen("/dev/tty", "w") : nullptr);
  if (!reading || !writing) {
    *error = std::string("no terminal: /dev/tty: ") + std::strerror(errno);
    *in = *out = nullptr;
    return false;
  }
  // The caller's from now on.
  *in = reading.release();
  *out = writing.release();
  return true;
}

}  // namespace platform
