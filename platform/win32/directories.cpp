#include <windows.h>

#include "platform/directories.h"

namespace platform {

// Both calls already answer as directories.h promises: the length without
// the terminator, or the size needed when the buffer is too small, 0 on
// failure.
uint32_t GetWindowsDir(char* buffer, uint32_t size) { return GetWindowsDirectoryA(buffer, size); }

uint32_t GetSystemDir(char* buffer, uint32_t size) { return GetSystemDirectoryA(buffer, size); }

// The Windows directory is there for as long as Windows runs.
bool PrepareWindowsDirForWriting() { return true; }

uint32_t MaxPathBytes() { return MAX_PATH; }

char PathSeparator() { return '\\'; }

}  // namespace platform
