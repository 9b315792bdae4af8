// A USB UPS as the line monitor's source of the UPS's state: opened by the
// name of line 8, read into the same two flags a contact-closure UPS gives,
// let go when it is unplugged and found again by its identity.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <optional>

#include "core/ups_state.h"
#include "hid_ups.h"

// The flag word that HidFlagWord builds: the state the stability filter
// watches, as the modem word is for the lines.
inline constexpr int kHidMainsFailure = 1;
inline constexpr int kHidBatteryCritical = 2;

struct HidPort {
  HidUps ups;
  bool away = false;            // unplugged: the reads fail until it is found again
  time_t next_open = 0;         // monotonic second of the next search while away
  int64_t next_poll_ms = 0;     // monotonic millisecond of the next feature poll
  int32_t largest_runtime_s = 0;  // the longest runtime the UPS has estimated
  bool state_by_poll = false;   // no input report tells mains or battery: polled as on battery
  // What NextHidFaultLine has told, once each for the daemon's life.
  bool told_calibrating = false;
  bool told_range = false;
  bool told_rescaled = false;
  bool told_silent[256] = {};
};

// Opens the UPS that `name` (line 8) asks for and reads what it says at
// once (its feature reports, any input report waiting). `text` gets the
// log line: which device was taken and why, or why none was. False when
// the name is malformed or finds no UPS.
bool OpenHidPort(HidPort* port, const char* name, const char* sysfs, char* text, size_t text_size);

struct HidPortRead {
  int word = 0;              // HidFlagWord of the reading after it
  bool moved = false;        // the word changed on the way, even if it came back
  bool found_again = false;  // the UPS was found again after an unplug
};

// One read: every input report waiting, one at a time, and the feature
// reports when their poll falls due. False when the UPS is unplugged (the
// communication failure); while away, it is looked for once every
// `reopen_s` seconds.
bool ReadHidPort(HidPort* port, const char* sysfs, time_t reopen_s, HidPortRead* read);

// The flags a reading says: ACPresent false (or, without it, Discharging)
// is a mains failure; BelowRemainingCapacityLimit or ShutdownImminent a
// critical battery. What the UPS has not said yet reads as mains present
// and a sound battery.
int HidFlagWord(const core::HidUpsReading& reading);

// The autonomy figures from the UPS's own runtime estimate, to publish
// when the daemon follows it: the autonomy left and, as the nominal
// autonomy, the longest estimate seen. Nothing without an estimate.
// Figures are cut to the block's 16-bit range.
std::optional<core::UpsState> HidRuntimeFigures(HidPort* port);

// The next fault of the UPS's that the reader worked around and that the
// log has not been told yet, as its line in `text`; false when none is
// left. "On line and discharging" is read as on line: a calibration or a
// firmware quirk cannot be told from a real discharge that also says on
// line, and a false shutdown is the worse mistake.
bool NextHidFaultLine(HidPort* port, char* text, size_t size);

void CloseHidPort(HidPort* port);
