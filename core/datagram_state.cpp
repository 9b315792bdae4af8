#include "core/datagram_state.h"

namespace core {

namespace {

uint16_t Low16(const std::optional<int32_t>& seconds) { return static_cast<uint16_t>(seconds.value_or(0)); }

}  // namespace

UpsState StateOfDatagram(const LanDatagram& d) {
  UpsState s;
  s.mains_failure = d.power_fail != 0;
  s.battery_critical = d.battery_low != 0;
  s.bypass = d.bypass != 0;
  s.signal_fault = d.signal_fault != 0;
  s.autonomy_end = d.autonomy_over != 0;
  s.autonomy_nominal_s = d.autonomy_total;
  s.autonomy_full_s = d.autonomy_base;
  s.autonomy_left_s = SignedSeconds(d.autonomy_left);
  s.time_on_battery_s = d.discharge_time;
  return s;
}

void PutStateInDatagram(const UpsState& s, LanDatagram* d) {
  d->power_fail = s.mains_failure ? 1 : 0;
  d->battery_low = s.battery_critical ? 1 : 0;
  d->bypass = s.bypass ? 1 : 0;
  d->signal_fault = s.signal_fault ? 1 : 0;
  d->autonomy_over = s.autonomy_end ? 1 : 0;
  d->autonomy_total = Low16(s.autonomy_nominal_s);
  d->autonomy_base = Low16(s.autonomy_full_s);
  d->autonomy_left = Low16(s.autonomy_left_s);
  d->discharge_time = Low16(s.time_on_battery_s);
}

}  // namespace core
