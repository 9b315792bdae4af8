// A module is a shared library loaded by dlopen; resources are compiled
// into the code, so no module holds icons. The system counts as the NT
// platform, major version 6.
#include "platform/module.h"

#include <dlfcn.h>

namespace platform {

void* ModuleHandle(const char* fileName) {
  void* handle = dlopen(fileName, RTLD_LAZY | RTLD_NOLOAD);
  // Only the handle's identity is wanted; the reference dlopen took is
  // given back at once.
  if (handle) dlclose(handle);
  return handle;
}

void* LoadIconResource(void*, int) { return nullptr; }

bool GetOsVersion(OsVersion* version) {
  version->ntPlatform = true;
  version->major = 6;
  return true;
}

void InitialiseCommonControls() {}

}  // namespace platform
