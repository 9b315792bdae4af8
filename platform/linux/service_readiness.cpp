#include "platform/service_readiness.h"

#include <systemd/sd-daemon.h>
#include <time.h>

namespace platform {

namespace {

int64_t NowMs() {
  timespec ts{};
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

// The watchdog period systemd set for this process, in ms; 0: none.
uint32_t WatchdogMs() {
  static const uint32_t period = [] {
    uint64_t usec = 0;
    if (sd_watchdog_enabled(0, &usec) <= 0) return uint32_t{0};
    uint64_t ms = usec / 1000;
    return static_cast<uint32_t>(ms == 0 ? 1 : ms > UINT32_MAX ? UINT32_MAX : ms);
  }();
  return period;
}

int64_t lastAliveMs = -1;

}  // namespace

void NotifyServiceReady() {
  // Without NOTIFY_SOCKET (not under systemd) this does nothing.
  sd_notify(0, "READY=1");
  lastAliveMs = -1;
  NotifyServiceAlive();
}

void NotifyServiceAlive() {
  uint32_t period = WatchdogMs();
  if (period == 0) return;
  int64_t now = NowMs();
  if (lastAliveMs >= 0 && now - lastAliveMs < period / 2) return;
  if (sd_notify(0, "WATCHDOG=1") > 0) lastAliveMs = now;
}

uint32_t ServiceAlivePeriodMs() { return WatchdogMs() / 2; }

}  // namespace platform
