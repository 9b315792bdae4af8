// The one clock of Linux code for durations, deadlines and paces: the
// monotonic clock, which a step of the wall clock never moves. Only
// differences mean anything. Each unit below reads the same clock and cuts
// toward zero, so that MonotonicSeconds() is the whole seconds of
// MonotonicMs().
#pragma once

#include <cstdint>
#include <ctime>

namespace linuxbase {

// Microseconds of the monotonic clock. CLOCK_MONOTONIC cannot fail on Linux;
// should it, the answer is 0, which only freezes durations.
int64_t MonotonicUs();

inline int64_t MonotonicMs() { return MonotonicUs() / 1000; }

inline time_t MonotonicSeconds() { return static_cast<time_t>(MonotonicUs() / 1000000); }

}  // namespace linuxbase
