// Shell execution, after ShellExecuteA(no window, verb, file, parameters,
// no directory, show): opening a program runs it, opening a document runs
// the program associated with it. Nothing waits for what was started.
#pragma once

#include <cstdint>

#include "platform/error_codes.h"

namespace platform {

// Show commands (the SW_* numbers).
inline constexpr int kShowHide = 0;
inline constexpr int kShowNormal = 1;

// Results of 32 or less are failures (the SE_ERR_* numbers and the system
// error codes ShellExecuteA returns).
inline constexpr intptr_t kShellFileNotFound = 2;
inline constexpr intptr_t kShellPathNotFound = 3;
inline constexpr intptr_t kShellOutOfMemory = 8;
inline constexpr intptr_t kShellNoAssociation = 31;
inline constexpr intptr_t kShellFirstSuccess = 33;

// `file` may be quoted; `parameters` (may be null) is one command tail,
// split as a command line is. A result above 32 means it was started.
intptr_t ShellExecuteFile(const char* verb, const char* file, const char* parameters, int show);

}  // namespace platform
