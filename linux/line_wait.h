// The line monitor's wait between passes once everything has settled: until
// a line changes, until the next thing falls due, or until somebody wakes it
// (SIGCONT from the autonomy worker or from "vigil20 stop", a termination
// signal). Every wait is bounded by a timer whose signal ends the blocking
// call, whatever that call is.
#pragma once

#include <cstdint>
#include <ctime>

#include "modem_lines.h"

enum class LineWaitEnd {
  kChanged,      // a line may have changed
  kInterrupted,  // the time came, or a wake-up or a stop arrived
  kRefused,      // the lines cannot be waited on: read them every pass
  kNoTimer,      // the bound could not be set: no wait began; read every pass from now on
};

// Makes the bounding timer and installs the handlers of SIGALRM (the
// timer's) and SIGCONT (the wake-up), neither restarting what it
// interrupts. False when the system refuses; the monitor then never waits.
bool PrepareLineWaits();

// A pass begins: wake-ups that came before it are about what it reads.
void BeginLinePass();

// Ends the wait in progress, or the next one, at once. Safe in a signal
// handler; does nothing in a process that never waits.
void InterruptLineWait();

// Waits on `lines` until the monotonic clock reaches `due` (whole seconds),
// a line changes, or InterruptLineWait. While the device is closed (an
// adapter pulled), only the time and the wake-ups end the wait.
LineWaitEnd WaitForLineChange(ModemLines* lines, time_t due);

// Waits on a USB UPS's hidraw descriptor `fd` until an input report is
// there to read, the monotonic clock reaches `due_ms` (milliseconds), or
// InterruptLineWait. With `fd` -1 (the UPS unplugged), only the time and
// the wake-ups end the wait.
LineWaitEnd WaitForHidReport(int fd, int64_t due_ms);

// Sleeps `us` microseconds, the period of the passes while something
// settles, unless `running` drops meanwhile. Signals do not cut it short.
void SleepOnePeriod(long us);
