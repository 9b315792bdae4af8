#include "platform/tick_count.h"

#include <ctime>

namespace platform {

// CLOCK_MONOTONIC counts from boot, as GetTickCount does; it cannot fail
// on Linux with a valid clock id.
uint32_t TickCount() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  uint64_t ms = static_cast<uint64_t>(now.tv_sec) * 1000u + static_cast<uint64_t>(now.tv_nsec) / 1000000u;
  return static_cast<uint32_t>(ms);
}

}  // namespace platform
