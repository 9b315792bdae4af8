#include <windows.h>

#include "platform/named_mutex.h"

struct platform::NamedMutex {
  HANDLE handle;
};

namespace platform {

NamedMutex* CreateNamedMutex(const char* name, bool* alreadyExisted, uint32_t* error) {
  *alreadyExisted = false;
  HANDLE handle = CreateMutexA(nullptr, FALSE, name);
  if (!handle) {
    *error = GetLastError();
    return nullptr;
  }
  *alreadyExisted = GetLastError() == ERROR_ALREADY_EXISTS;
  return new NamedMutex{handle};
}

bool NamedMutexExists(const char* name) {
  HANDLE handle = OpenMutexA(SYNCHRONIZE, FALSE, name);
  if (!handle) return false;
  CloseHandle(handle);
  return true;
}

uint32_t ProbeNamedMutex(const char* name) {
  HANDLE handle = OpenMutexA(MUTEX_ALL_ACCESS, FALSE, name);
  if (!handle) return GetLastError();
  CloseHandle(handle);
  return 0;
}

void CloseNamedMutex(NamedMutex* mutex) {
  if (!mutex) return;
  CloseHandle(mutex->handle);
  delete mutex;
}

}  // namespace platform
