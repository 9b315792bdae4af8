#include <windows.h>

#include "platform/event.h"

struct platform::Event {
  HANDLE handle;
};

namespace platform {

Event* CreateAutoResetEvent(const std::string& name, std::string* error) {
  HANDLE handle = CreateEventA(nullptr, FALSE, FALSE, name.c_str());
  if (!handle) {
    if (error) *error = "CreateEventA " + name + ": error " + std::to_string(GetLastError());
    return nullptr;
  }
  return new Event{handle};
}

bool SetEvent(Event* event) { return event && ::SetEvent(event->handle); }

bool WaitEvent(Event* event, int timeout_ms) {
  if (!event) return false;
  DWORD timeout = timeout_ms < 0 ? INFINITE : static_cast<DWORD>(timeout_ms);
  return WaitForSingleObject(event->handle, timeout) == WAIT_OBJECT_0;
}

void CloseEvent(Event* event) {
  if (!event) return;
  CloseHandle(event->handle);
  delete event;
}

void* EventHandle(Event* event) { return event ? event->handle : nullptr; }

bool WaitEventHandle(void* handle, int timeout_ms) {
  DWORD timeout = timeout_ms < 0 ? INFINITE : static_cast<DWORD>(timeout_ms);
  return handle && WaitForSingleObject(static_cast<HANDLE>(handle), timeout) == WAIT_OBJECT_0;
}

}  // namespace platform
