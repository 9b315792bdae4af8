#include <windows.h>

#include <vector>

#include "platform/semaphore.h"

struct platform::Semaphore {
  HANDLE handle;
};

namespace platform {

Semaphore* CreateSemaphoreObject(int32_t initial, int32_t maximum) {
  if (maximum <= 0 || initial < 0 || initial > maximum) return nullptr;
  HANDLE handle = CreateSemaphoreA(nullptr, initial, maximum, nullptr);
  if (!handle) return nullptr;
  return new Semaphore{handle};
}

bool ReleaseSemaphoreObject(Semaphore* semaphore) {
  return semaphore && ReleaseSemaphore(semaphore->handle, 1, nullptr);
}

int WaitForSemaphores(Semaphore* const* semaphores, int count, uint32_t timeoutMs) {
  if (count <= 0 || count > MAXIMUM_WAIT_OBJECTS) return kWaitFailed;
  std::vector<HANDLE> handles;
  for (int i = 0; i < count; ++i) {
    if (!semaphores[i]) return kWaitFailed;
    handles.push_back(semaphores[i]->handle);
  }
  DWORD result = WaitForMultipleObjects(static_cast<DWORD>(count), handles.data(), FALSE,
                                        timeoutMs == kWaitForever ? INFINITE : timeoutMs);
  if (result == WAIT_TIMEOUT) return kWaitTimedOut;
  if (result < WAIT_OBJECT_0 + static_cast<DWORD>(count)) return static_cast<int>(result - WAIT_OBJECT_0);
  return kWaitFailed;
}

void CloseSemaphoreObject(Semaphore* semaphore) {
  if (!semaphore) return;
  CloseHandle(semaphore->handle);
  delete semaphore;
}

}  // namespace platform
