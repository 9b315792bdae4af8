#include "platform/library.h"

#include <dlfcn.h>

struct platform::Library {
  void* handle;
};

namespace platform {

Library* LoadSharedLibrary(const std::string& path, std::string* error) {
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    if (error) *error = dlerror();
    return nullptr;
  }
  return new Library{handle};
}

void* FindLibraryExport(Library* library, const char* name) { return library ? dlsym(library->handle, name) : nullptr; }

void UnloadSharedLibrary(Library* library) {
  if (!library) return;
  dlclose(library->handle);
  delete library;
}

bool KeepLibraryLoaded(const void*) { return true; }

}  // namespace platform
