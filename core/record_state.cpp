#include "core/record_state.h"

namespace core {

UpsState StateOfRecord(const CState& r) {
  UpsState s;
  s.mains_failure = r.powerFailure != 0;
  s.battery_critical = r.batteryCritical != 0;
  s.bypass = r.bypass != 0;
  s.signal_fault = r.signalFault != 0;
  s.autonomy_end = r.autonomyEnd != 0;
  s.autonomy_nominal_s = r.nominalAutonomy;
  s.autonomy_full_s = r.fullAutonomy;
  s.autonomy_left_s = r.remainingAutonomy;
  s.time_on_battery_s = r.timeOnBattery;
  return s;
}

void PutAlarmsInRecord(const UpsState& s, CState* r) {
  r->powerFailure = s.mains_failure ? 1 : 0;
  r->batteryCritical = s.battery_critical ? 1 : 0;
  r->bypass = s.bypass ? 1 : 0;
  r->signalFault = s.signal_fault ? 1 : 0;
}

void PutStateInRecord(const UpsState& s, CState* r) {
  PutAlarmsInRecord(s, r);
  r->autonomyEnd = s.autonomy_end ? 1 : 0;
  r->nominalAutonomy = s.autonomy_nominal_s.value_or(0);
  r->fullAutonomy = s.autonomy_full_s.value_or(0);
  r->remainingAutonomy = s.autonomy_left_s.value_or(0);
  r->timeOnBattery = s.time_on_battery_s.value_or(0);
}

}  // namespace core
