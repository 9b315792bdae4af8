// An automatically resetting event, shaped after CreateEventA(nullptr,
// FALSE, FALSE, name), SetEvent, WaitForSingleObject and CloseHandle: set
// until one waiter has seen it, then clear again. Events of the same name
// are one event for every process of the host.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

struct Event;

// Creates the event `name` (letters, digits, '_' and '-'), not set, or opens
// it when it exists. nullptr on failure, with `error` saying why.
Event* CreateAutoResetEvent(const std::string& name, std::string* error);

// Sets the event; setting it when it is set changes nothing. False when the
// system refuses.
bool SetEvent(Event* event);

// Waits at most timeout_ms (negative: for ever) for the event to be set and
// clears it. True when it was set, false on the time-out or a failure.
bool WaitEvent(Event* event, int timeout_ms);

// Accepts nullptr.
void CloseEvent(Event* event);

// The system's handle of the event (a HANDLE on Windows; here the event
// itself), which a host receives from an extension agent as its trap event.
void* EventHandle(Event* event);
// WaitEvent on such a handle, for the host that received it.
bool WaitEventHandle(void* handle, int timeout_ms);

}  // namespace platform
