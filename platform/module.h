// The program's own module (the DLL or shared library a piece of code was
// loaded from) and what it holds, after GetModuleHandleA, LoadIconA,
// GetVersionExA and InitCommonControlsEx.
#pragma once

namespace platform {

// The handle of the loaded module named `fileName` ("Vigil20.cpl"); null
// when none of that name is loaded.
void* ModuleHandle(const char* fileName);

// Icon resource `id` of `module`; null when it has none (or the system
// keeps no icons in modules).
void* LoadIconResource(void* module, int id);

struct OsVersion {
  bool ntPlatform = false;
  int major = 0;
};
// The operating system's platform and major version; false when it cannot
// be read.
bool GetOsVersion(OsVersion* version);

// Registers the common control classes the dialogs use (tab control, list
// view, spin).
void InitialiseCommonControls();

}  // namespace platform
