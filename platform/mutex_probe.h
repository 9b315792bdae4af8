// Whether a named mutex exists, as OpenMutexA with all access tells it:
// for the programs that only look (the applet's running check).
#pragma once

#include <cstdint>

namespace platform {

inline constexpr uint32_t kErrorFileNotFound = 2;
inline constexpr uint32_t kErrorAccessDenied = 5;

// 0 when the mutex `name` opens (the handle is closed at once), else the
// system's error code: kErrorFileNotFound when no handle holds it,
// kErrorAccessDenied when it exists but may not be opened.
uint32_t ProbeNamedMutex(const char* name);

}  // namespace platform
