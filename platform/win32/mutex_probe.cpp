#include <windows.h>

#include "platform/mutex_probe.h"

namespace platform {

uint32_t ProbeNamedMutex(const char* name) {
  HANDLE handle = OpenMutexA(MUTEX_ALL_ACCESS, FALSE, name);
  if (!handle) return GetLastError();
  CloseHandle(handle);
  return 0;
}

}  // namespace platform
