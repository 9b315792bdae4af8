#include <windows.h>

#include "lineshare/tests/library.h"
#include "tests/support/test_host.h"

void* LoadLibraryFile(const std::string& path, std::string* error) {
  HMODULE library = LoadLibraryA(NativePath(path).c_str());
  if (!library && error) *error = "LoadLibraryA " + path + ": error " + std::to_string(GetLastError());
  return reinterpret_cast<void*>(library);
}

void* FindExport(void* library, const char* name) {
  return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void UnloadLibrary(void* library) { FreeLibrary(static_cast<HMODULE>(library)); }
