// The system tick count, as GetTickCount gives it: milliseconds since the
// system started, in 32 bits that wrap around after about 49.7 days.
#pragma once

#include <cstdint>

namespace platform {

uint32_t TickCount();

}  // namespace platform
