// Loading a shared library and finding its exports by name, as a host loads
// an extension agent: dlopen and dlsym here, LoadLibraryA and GetProcAddress
// on Windows (a full path also finds the libraries it needs beside it).
#pragma once

#include <string>

namespace platform {

struct Library;

// nullptr with `error` set when the library does not load.
Library* LoadSharedLibrary(const std::string& path, std::string* error);
// The named export, or nullptr.
void* FindLibraryExport(Library* library, const char* name);
// Unloads it (its exit code runs when nobody else holds it); accepts nullptr.
void UnloadSharedLibrary(Library* library);

// Keeps the library that holds `code` loaded until the process ends. A
// library with a thread of its own calls it before starting the thread: on
// Windows its exit code would otherwise run at FreeLibrary under the loader
// lock, where waiting for that thread never ends. Nothing to do on Linux (always true),
// where unloading may wait for the thread.
bool KeepLibraryLoaded(const void* code);

}  // namespace platform
