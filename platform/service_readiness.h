// Telling the service manager how a long-running program is doing: that it
// has started and is ready, and, when the manager watches it, that it is
// still alive, so that a program that hangs is restarted. Here that is
// systemd (a Type=notify unit with WatchdogSec); on Windows the service
// control manager learns both from the service status, and the calls do
// nothing.
#pragma once

#include <cstdint>

namespace platform {

// The program has finished starting and serves.
void NotifyServiceReady();

// Cheap enough to call on every pass of a loop: says "alive" when the
// manager asked for it and half of its period has passed since the last.
void NotifyServiceAlive();

// How often, at least, NotifyServiceAlive must be called (milliseconds);
// 0 when nobody watches.
uint32_t ServiceAlivePeriodMs();

}  // namespace platform
