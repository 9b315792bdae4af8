// The semaphores of a process under one lock and one condition, so that a
// thread can wait for any of several.
#include "platform/semaphore.h"

#include <chrono>
#include <condition_variable>
#include <mutex>

struct platform::Semaphore {
  int32_t count;
  int32_t maximum;
};

namespace platform {
namespace {

// Never destroyed: a thread may still wait while the process exits.
std::mutex& Lock() {
  static auto* lock = new std::mutex;
  return *lock;
}

std::condition_variable& Changed() {
  static auto* changed = new std::condition_variable;
  return *changed;
}

int TakeFirst(Semaphore* const* semaphores, int count) {
  for (int i = 0; i < count; ++i) {
    if (semaphores[i]->count > 0) {
      --semaphores[i]->count;
      return i;
    }
  }
  return kWaitTimedOut;
}

}  // namespace

Semaphore* CreateSemaphoreObject(int32_t initial, int32_t maximum) {
  if (maximum <= 0 || initial < 0 || initial > maximum) return nullptr;
  return new Semaphore{initial, maximum};
}

bool ReleaseSemaphoreObject(Semaphore* semaphore) {
  if (!semaphore) return false;
  {
    std::lock_guard<std::mutex> hold(Lock());
    if (semaphore->count >= semaphore->maximum) return false;
    ++semaphore->count;
  }
  Changed().notify_all();
  return true;
}

int WaitForSemaphores(Semaphore* const* semaphores, int count, uint32_t timeoutMs) {
  if (count <= 0) return kWaitFailed;
  for (int i = 0; i < count; ++i)
    if (!semaphores[i]) return kWaitFailed;
  std::unique_lock<std::mutex> hold(Lock());
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    int taken = TakeFirst(semaphores, count);
    if (taken >= 0) return taken;
    if (timeoutMs == kWaitForever) {
      Changed().wait(hold);
    } else if (Changed().wait_until(hold, deadline) == std::cv_status::timeout) {
      return TakeFirst(semaphores, count);
    }
  }
}

void CloseSemaphoreObject(Semaphore* semaphore) { delete semaphore; }

}  // namespace platform
