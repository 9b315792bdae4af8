#include <windows.h>

#include "platform/module_path.h"

namespace platform {

size_t ProgramPath(char* buffer, size_t size) {
  DWORD n = GetModuleFileNameA(nullptr, buffer, static_cast<DWORD>(size));
  // A path that does not fit comes back cut, with the buffer full.
  if (n == 0 || n >= size) return 0;
  return n;
}

}  // namespace platform
