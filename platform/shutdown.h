// Shutting the computer down, after AdjustTokenPrivileges with
// "SeShutdownPrivilege" and ExitWindowsEx.
#pragma once

#include <cstdint>

namespace platform {

// Enables the shutdown privilege for this process. False, with *error the
// system's error code, when any step fails or the privilege is not held.
bool AcquireShutdownPrivilege(uint32_t* error);

// Asks the system to shut down (with `force`, without waiting for programs
// to end). True when the request was accepted; the shutdown itself follows.
bool RequestShutdown(bool force, uint32_t* error);

}  // namespace platform
