#include <cstdio>

#include "platform/console_output.h"

namespace platform {

// The bytes as they are: a console shows them in its code page, a file or
// pipe keeps them.
void WriteStandardError(const char* text) {
  std::fputs(text, stderr);
  std::fflush(stderr);
}

}  // namespace platform
