#include <windows.h>

#include "platform/event_log.h"

struct platform::EventSource {
  HANDLE handle;
};

namespace platform {

EventSource* OpenEventSource(const std::string& source, const EventMessage*, std::string* error) {
  HANDLE handle = RegisterEventSourceA(nullptr, source.c_str());
  if (!handle) {
    if (error) *error = "RegisterEventSourceA " + source + ": error " + std::to_string(GetLastError());
    return nullptr;
  }
  return new EventSource{handle};
}

bool ReportToEventLog(EventSource* source, uint16_t type, uint32_t id) {
  if (!source) return false;
  return ReportEventA(source->handle, type, 0, id, nullptr, 0, 0, nullptr, nullptr) != FALSE;
}

bool CloseEventSource(EventSource* source) {
  if (!source) return false;
  bool closed = ::DeregisterEventSource(source->handle) != FALSE;
  delete source;
  return closed;
}

}  // namespace platform
