#include "platform/debug_output.h"

#include <cstring>
#include <unistd.h>

namespace platform {

void DebugOutput(const char* text) {
  size_t left = std::strlen(text);
  while (left > 0) {
    ssize_t n = write(STDERR_FILENO, text, left);
    // Nothing sensible is left to tell when standard error itself fails.
    if (n <= 0) return;
    text += n;
    left -= static_cast<size_t>(n);
  }
}

}  // namespace platform
