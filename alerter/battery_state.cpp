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

void PutBatteryAlarms(const core::UpsState& state, core::CState& record) {
  record.powerFailure = state.mains_failure ? 1 : 0;
  record.batteryCritical = state.battery_critical ? 1 : 0;
  record.bypass = state.bypass ? 1 : 0;
  record.signalFault = state.signal_fault ? 1 : 0;
}
