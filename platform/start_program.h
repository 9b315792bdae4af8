// Starting another program as a new process without waiting for it, after
// CreateProcessA: `path` is the program, argument 0 is `path` itself and
// `arguments` follow. The new process keeps no console or terminal of the
// caller's (Linux: its own session, standard streams on /dev/null).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace platform {

// 0 when it started, else the system's error code (the Win32 ERROR_*
// numbers: 2 for a missing file, 5 for one that may not run).
uint32_t StartProgram(const std::string& path, const std::vector<std::string>& arguments);

}  // namespace platform
