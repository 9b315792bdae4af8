#include <cstdarg>
#include <cstdio>

#include "platform/debug_output.h"

namespace platform {

void DebugPrintf(const char* format, ...) {
  char buffer[512];
  va_list args;
  va_start(args, format);
  // vsnprintf cuts to the buffer and always terminates it.
  int n = std::vsnprintf(buffer, sizeof buffer, format, args);
  va_end(args);
  if (n < 0) return;
  DebugOutput(buffer);
}

}  // namespace platform
