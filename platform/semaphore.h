// Unnamed semaphores of one process, after CreateSemaphoreA,
// ReleaseSemaphore and WaitForMultipleObjects: a count between 0 and a
// maximum; a wait takes one unit.
#pragma once

#include <cstdint>

namespace platform {

struct Semaphore;

inline constexpr uint32_t kWaitForever = 0xFFFFFFFF;
inline constexpr int kWaitTimedOut = -1;
inline constexpr int kWaitFailed = -2;

// nullptr when the counts are not 0 <= initial <= maximum, 0 < maximum, or
// the system refuses.
Semaphore* CreateSemaphoreObject(int32_t initial, int32_t maximum);

// Adds one unit. False when the count is at its maximum already.
bool ReleaseSemaphoreObject(Semaphore* semaphore);

// Waits until one of the `count` semaphores has a unit, takes it and
// returns that semaphore's index (the first such in the list); or
// kWaitTimedOut after timeoutMs (kWaitForever: no limit), kWaitFailed on
// failure.
int WaitForSemaphores(Semaphore* const* semaphores, int count, uint32_t timeoutMs);
inline int WaitForSemaphore(Semaphore* semaphore, uint32_t timeoutMs) {
  return WaitForSemaphores(&semaphore, 1, timeoutMs);
}

// Accepts nullptr. No thread may be waiting on it.
void CloseSemaphoreObject(Semaphore* semaphore);

}  // namespace platform
