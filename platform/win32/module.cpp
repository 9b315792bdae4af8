#include <windows.h>
#include <commctrl.h>

#include "platform/module.h"

namespace platform {

void* ModuleHandle(const char* fileName) { return GetModuleHandleA(fileName); }

void* LoadIconResource(void* module, int id) { return LoadIconA(static_cast<HINSTANCE>(module), MAKEINTRESOURCEA(id)); }

bool GetOsVersion(OsVersion* version) {
  OSVERSIONINFOA info{};
  info.dwOSVersionInfoSize = sizeof info;
  // Deprecated, but the one call that tells the platform as the applet
  // asks it (without a manifest, Windows 8 and later answer 6).
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  BOOL ok = GetVersionExA(&info);
#pragma GCC diagnostic pop
  if (!ok) return false;
  version->ntPlatform = info.dwPlatformId == VER_PLATFORM_WIN32_NT;
  version->major = static_cast<int>(info.dwMajorVersion);
  return true;
}

void InitialiseCommonControls() {
  INITCOMMONCONTROLSEX controls{sizeof controls,
                                ICC_TAB_CLASSES | ICC_LISTVIEW_CLASSES | ICC_UPDOWN_CLASS | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&controls);
}

}  // namespace platform
