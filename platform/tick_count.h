// The suite's one clock for durations, deadlines and paces: milliseconds
// since the system started, which a step of the wall clock never moves.
#pragma once

#include <cstdint>

namespace platform {

// The milliseconds in 64 bits, which never wrap (GetTickCount64).
int64_t MonotonicMs();

// The same count as GetTickCount gives it: in 32 bits that wrap around
// after about 49.7 days.
uint32_t TickCount();

}  // namespace platform
