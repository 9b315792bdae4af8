#include "platform/tick_count.h"

#include "linuxbase/monotonic_clock.h"

namespace platform {

// CLOCK_MONOTONIC counts from boot, as GetTickCount does.
int64_t MonotonicMs() { return linuxbase::MonotonicMs(); }

uint32_t TickCount() { return static_cast<uint32_t>(MonotonicMs()); }

}  // namespace platform
