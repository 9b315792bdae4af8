#include <windows.h>

#include "platform/tick_count.h"

namespace platform {

int64_t MonotonicMs() { return static_cast<int64_t>(GetTickCount64()); }

uint32_t TickCount() { return GetTickCount(); }

}  // namespace platform
