#include "tests/support/wait_until.h"

#include <chrono>
#include <thread>

bool WaitUntil(const std::function<bool()>& done, int timeoutMs, int stepMs) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    if (done()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(stepMs));
  }
}
