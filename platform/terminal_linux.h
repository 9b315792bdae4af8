// Linux extension: the process's controlling terminal, for the programs
// that draw on it (the settings sheet and its boxes).
#pragma once

#include <cstdio>
#include <string>

namespace platform {

// Opens /dev/tty for reading and for writing. The caller owns both streams
// and closes them. False, with `error` set, when the process has none.
bool OpenControllingTerminal(std::FILE** in, std::FILE** out, std::string* error);

}  // namespace platform
