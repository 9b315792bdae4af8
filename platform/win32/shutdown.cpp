#include <windows.h>

#include "platform/shutdown.h"

namespace platform {

bool AcquireShutdownPrivilege(uint32_t* error) {
  HANDLE token = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token)) {
    *error = GetLastError();
    return false;
  }
  TOKEN_PRIVILEGES privileges{};
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  bool done = LookupPrivilegeValueA(nullptr, SE_SHUTDOWN_NAME, &privileges.Privileges[0].Luid) &&
              AdjustTokenPrivileges(token, FALSE, &privileges, 0, nullptr, nullptr);
  // AdjustTokenPrivileges succeeds even when it could not assign the privilege.
  DWORD last = GetLastError();
  CloseHandle(token);
  if (!done || last == ERROR_NOT_ALL_ASSIGNED) {
    *error = last;
    return false;
  }
  return true;
}

bool RequestShutdown(bool force, uint32_t* error) {
  UINT flags = EWX_SHUTDOWN | (force ? EWX_FORCE : 0);
  if (ExitWindowsEx(flags, SHTDN_REASON_MAJOR_POWER | SHTDN_REASON_MINOR_ENVIRONMENT | SHTDN_REASON_FLAG_PLANNED))
    return true;
  *error = GetLastError();
  return false;
}

}  // namespace platform
