#include "alerter/battery_state.h"

core::UpsState UpsStateOfBattery(const std::optional<platform::UpsBatteryReading>& reading) {
  core::UpsState state;
  if (!reading || reading->present == false) {
    state.signal_fault = true;
    return state;
  }
  std::optional<bool> onBattery;
  if (reading->on_line) {
    onBattery = !*reading->on_line;
  } else if (reading->discharging) {
    onBattery = *reading->discharging;
  }
  if (!onBattery) {
    state.signal_fault = true;
    return state;
  }
  state.mains_failure = *onBattery;
  state.battery_critical = *onBattery && reading->critical.value_or(false);
  state.charge_percent = reading->charge_percent;
  state.runtime_s = reading->runtime_s;
  return state;
}
