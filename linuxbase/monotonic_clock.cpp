#include "linuxbase/monotonic_clock.h"

namespace linuxbase {

int64_t MonotonicUs() {
  timespec now{};
  if (clock_gettime(CLOCK_MONOTONIC, &now) != 0) return 0;
  return static_cast<int64_t>(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
}

}  // namespace linuxbase
