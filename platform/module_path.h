// The full path of the running program, after GetModuleFileNameA(nullptr).
#pragma once

#include <cstddef>

namespace platform {

// Copies the path into `buffer` and returns its length; 0 when it cannot
// be had or does not fit.
size_t ProgramPath(char* buffer, size_t size);

}  // namespace platform
