// Loading a shared library and finding its exports by name, as a host
// program of LineTap does (dlopen and dlsym; LoadLibraryA and GetProcAddress).
#pragma once

#include <string>

// Null with `error` set when the library does not load.
void* LoadLibraryFile(const std::string& path, std::string* error);
// The named export, or null.
void* FindExport(void* library, const char* name);
void UnloadLibrary(void* library);
