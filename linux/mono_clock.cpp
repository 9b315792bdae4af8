#include "mono_clock.h"

time_t MonoSeconds() {
  struct timespec now;
  // CLOCK_MONOTONIC cannot fail on Linux; a zero would only freeze durations.
  if (clock_gettime(CLOCK_MONOTONIC, &now) != 0) return 0;
  return now.tv_sec;
}
