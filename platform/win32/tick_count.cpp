#include <windows.h>

#include "platform/tick_count.h"

namespace platform {

uint32_t TickCount() { return GetTickCount(); }

}  // namespace platform
