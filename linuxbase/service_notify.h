// A long-running program's word to systemd (a Type=notify unit with
// WatchdogSec): that it is ready, and that it is still alive. Spoken on the
// notification socket's documented protocol (one datagram of "NAME=value"
// lines to the socket NOTIFY_SOCKET names, '@' for the abstract namespace),
// not through libsystemd: that library cannot be linked statically and
// brings seven more with it, which doubles the resident memory of a program
// as small as vigil-nut. Nothing is sent when NOTIFY_SOCKET is not set.
// Used by vigil20 and, through platform/service_readiness.h, by the suite.
#pragma once

#include <cstdint>
#include <sys/types.h>

namespace linuxbase {

// Sends one notification; false when it could not be.
bool SendServiceNotification(const char* text);

// `nowMs` below is the caller's monotonic clock in milliseconds:
// MonotonicMs() of linuxbase/monotonic_clock.h, or the whole seconds that
// a loop's waits count, times 1000, so that the pace of "alive" follows the seconds at which it wakes.

// Sends "READY=1", and says "alive" at once when the watchdog is on. With
// `mainProcess` (a program that forked after systemd started it) also
// "MAINPID=<mainProcess>": systemd then watches that process, which answers
// the watchdog from then on.
void NotifyServiceReady(int64_t nowMs, pid_t mainProcess = 0);

// Sends "WATCHDOG=1" when systemd asked for it and half its period has
// passed since the last one. Cheap enough for every pass of a loop.
void NotifyServiceAlive(int64_t nowMs);

// How often, at least, NotifyServiceAlive must be called: half the
// watchdog's period, in milliseconds; 0 when nobody watches. A loop that
// sleeps longer between passes wakes by then.
uint32_t AlivePeriodMs();

// The watchdog's period for this process in milliseconds (WATCHDOG_USEC,
// when WATCHDOG_PID, if set, names this process or it named itself the main
// process); 0 when nobody watches.
uint32_t WatchdogPeriodMs();

}  // namespace linuxbase
