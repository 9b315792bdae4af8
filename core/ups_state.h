// The one description of a UPS that every source yields (the serial lines,
// the line simulator, a USB UPS) and every format is converted to and from
// at its own edge: the LAN datagram, CState, the daemon's shared block, the
// event file, SNMP, the NUT variables, the page. A figure that a source
// does not know stays empty: an empty figure is shown as none, never as 0.
#pragma once

#include <cstdint>
#include <optional>

namespace core {

// Following a UPS's own runtime estimate, the autonomy ends this many
// seconds before the estimate runs out: a minute kept for the shutdown.
inline constexpr int32_t kUpsRuntimeReserveS = 60;

struct UpsState {
  // What the UPS (or the station that tells it) says now.
  bool mains_failure = false;     // running on battery
  bool battery_critical = false;  // the battery is about to give out
  bool bypass = false;            // the load is fed around the inverter
  bool signal_fault = false;      // the source cannot be read or trusted: communication lost
  bool autonomy_end = false;      // the predicted autonomy is used up
  bool shutdown_started = false;  // this station has begun its orderly shutdown

  // The autonomy model, in seconds.
  std::optional<int32_t> autonomy_nominal_s;  // with a full battery
  std::optional<int32_t> autonomy_full_s;     // available when the current (or next) discharge starts
  std::optional<int32_t> autonomy_left_s;     // predicted left; may be zero or negative
  std::optional<int32_t> time_on_battery_s;   // since the discharge began; 0 on mains

  // What a UPS may measure itself.
  std::optional<double> charge_percent;     // 0 to 100
  std::optional<int32_t> runtime_s;         // the UPS's own estimate of what is left
  std::optional<double> load_percent;       // of its rated output
  std::optional<double> input_voltage_v;    // mains, as the UPS reads it
  std::optional<double> battery_voltage_v;  // across the battery

  friend bool operator==(const UpsState&, const UpsState&) = default;
};

}  // namespace core
