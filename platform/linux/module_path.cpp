#include "platform/module_path.h"

#include <unistd.h>

namespace platform {

size_t ProgramPath(char* buffer, size_t size) {
  if (size == 0) return 0;
  ssize_t n = readlink("/proc/self/exe", buffer, size);
  if (n <= 0 || static_cast<size_t>(n) >= size) return 0;
  buffer[n] = '\0';
  return static_cast<size_t>(n);
}

}  // namespace platform
