// The applet's view of the monitoring program: the service "Vigil20"
// through the service control manager, and the single-instance mutex of a
// program run outside it.
#pragma once

namespace applet {

inline constexpr int kServiceStart = 0;
inline constexpr int kServiceQuery = 2;
inline constexpr int kServiceStateRunning = 4;
inline constexpr const char* kServiceName = "Vigil20";
inline constexpr const char* kInstanceMutex = "vigil20_semaph";

// Opens the manager and the service with all access (0 when either cannot
// be opened, and nothing else happens). kServiceQuery: the service's
// current state. kServiceStart: starts it without arguments, 1 on success
// and 0 otherwise.
int ServiceControl(int command);

// CSingletonApp's check: yes when the mutex opens, or exists but may not be
// opened.
bool IsInstanceRunning(const char* name);

}  // namespace applet
