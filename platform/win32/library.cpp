#include <windows.h>

#include "platform/library.h"

struct platform::Library {
  HMODULE handle;
};

namespace platform {

Library* LoadSharedLibrary(const std::string& path, std::string* error) {
  // With a path, the libraries it imports are looked for in its folder first.
  bool has_folder = path.find_first_of("\\/") != std::string::npos;
  HMODULE handle = LoadLibraryExA(path.c_str(), nullptr, has_folder ? LOAD_WITH_ALTERED_SEARCH_PATH : 0);
  if (!handle) {
    if (error) *error = "LoadLibraryExA " + path + ": error " + std::to_string(GetLastError());
    return nullptr;
  }
  return new Library{handle};
}

void* FindLibraryExport(Library* library, const char* name) {
  return library ? reinterpret_cast<void*>(GetProcAddress(library->handle, name)) : nullptr;
}

void UnloadSharedLibrary(Library* library) {
  if (!library) return;
  FreeLibrary(library->handle);
  delete library;
}

bool KeepLibraryLoaded(const void* code) {
  HMODULE module = nullptr;
  return GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                            static_cast<LPCSTR>(code), &module) != FALSE;
}

}  // namespace platform
