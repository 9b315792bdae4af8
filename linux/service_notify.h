// The daemon's word to systemd (a Type=notify unit with WatchdogSec): ready,
// and still alive. Written on the notification socket's documented
// protocol, since the daemon is linked statically and libsystemd is not
// shipped for that. Does nothing when NOTIFY_SOCKET is not set.
#pragma once

// Sends "READY=1" with this process as the service's main process: the
// process systemd started waits for it, then exits.
void NotifyReady();

// Sends "WATCHDOG=1" when systemd asked for it (WATCHDOG_USEC) and half the
// period has passed since the last one. Called on every pass of the main
// process's loop.
void NotifyAlive();

// Seconds within which NotifyAlive must be called again for systemd's
// watchdog; 0 when it asked for none. A loop that sleeps longer between
// passes wakes by then.
long AliveInterval();

// Sends one notification (lines "NAME=value"); false when it could not be.
bool SendNotification(const char* text);
