// The UPS's lines: the modem-control word of the serial device, read and set
// through the terminal driver, or the line simulator's file when
// VIGIL20_SIMLINES names one. Also what tells that a line changed, so that
// the line monitor can wait for it instead of reading ten times a second:
// the device's own change counters (TIOCMIWAIT, TIOCGICOUNT) or an inotify
// watch on the simulator's folder.
#pragma once

#include <linux/serial.h>
#include <sys/types.h>

#include "linuxbase/unique_fd.h"

// Why the lines cannot be waited on, and are read at every pass instead.
enum class NoWaitReason {
  kNone,                // they can be waited on
  kDeviceRefuses,       // the driver has no change counters or no wait
  kRingTrailingEdge,    // RI is watched on a UART that counts only RI's end
  kSimulatorUnwatched,  // no inotify watch on the simulator's folder
};

struct ModemLines {
  linuxbase::UniqueFd fd;                   // the serial device while open
  char device[100] = "";                    // its path, to open it again
  bool ring_watched = false;                // RI's changes matter (bypass is watched)
  const char* sim_path = nullptr;           // the simulator's file, when simulated
  linuxbase::UniqueFd watch;                // inotify on the simulator file's folder
  char sim_name[256] = "";                  // the file's name in that folder
  struct serial_icounter_struct seen = {};  // the device's counters at the last read
  NoWaitReason no_wait = NoWaitReason::kNone;
};

// Opens `device` read-only (or checks the simulator's file). False on
// failure. `ring_watched`: RI's changes are acted on.
bool OpenModemLines(ModemLines* lines, const char* device, bool ring_watched);
// The modem word (TIOCM_* bits). False on a failed read, and when the device
// is not open.
bool GetModemWord(ModemLines* lines, int* word);
// Sets the outputs of the modem word. False on failure.
bool SetModemWord(const ModemLines& lines, int word);

// A real device (not the simulator) that is open.
bool ModemDeviceOpen(const ModemLines& lines);
// After a failed read: lets the device go. A tty whose adapter was pulled
// is hung up for good, so only a new open reads the lines again.
void DropModemDevice(ModemLines* lines);
// Opens the device again, as at start. False while it cannot be opened.
bool ReopenModemDevice(ModemLines* lines);

// Blocks until a line may have changed since the last read: 1 when one did
// (or may have), 0 when a signal ended the wait, -1 when the lines cannot be
// waited on (no_wait then says why; a device that cannot even be read any
// more is a failed read, left to the next GetModemWord). Returns -1 at once
// when no_wait is already set or the device is not open.
int WaitOnModemLines(ModemLines* lines);

void CloseModemLines(ModemLines* lines);

// True for a device that counts RI only on its trailing edge: the 8250
// family of UARTs behind /dev/ttyS* (major 4, minors from 64), whose TIOCMIWAIT
// is not woken when RI becomes active.
bool CountsRingTrailingEdgeOnly(dev_t device);
