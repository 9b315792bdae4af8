// The Windows directory and the system directory, as GetWindowsDirectoryA and
// GetSystemDirectoryA give them.
#pragma once

#include <cstdint>

namespace platform {

// Copies the directory, without a trailing separator, into `buffer` of `size`
// bytes and returns its length. When it does not fit, nothing is copied and
// the size needed (terminator included) is returned; 0 means failure.
uint32_t GetWindowsDir(char* buffer, uint32_t size);
uint32_t GetSystemDir(char* buffer, uint32_t size);

// Readies the Windows directory for a file to be written in it. Windows
// always has one; the stand-in makes its folder here and nowhere else, so
// that a program that only looks for a file there creates nothing. False,
// said on the debug output, when it cannot be made.
bool PrepareWindowsDirForWriting();

// The character that joins a directory and a file name.
char PathSeparator();

// The longest path the system takes, in bytes with the terminator
// (MAX_PATH on Windows, PATH_MAX here).
uint32_t MaxPathBytes();

}  // namespace platform
