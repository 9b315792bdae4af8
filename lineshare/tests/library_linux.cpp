#include <dlfcn.h>

#include "lineshare/tests/library.h"

void* LoadLibraryFile(const std::string& path, std::string* error) {
  void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!library && error) *error = dlerror();
  return library;
}

void* FindExport(void* library, const char* name) { return dlsym(library, name); }

void UnloadLibrary(void* library) { dlclose(library); }
