#include "web/station_state.h"

using core::LanDatagram;

namespace web {

StationState StateOf(const StationNow& station) {
  if (station.silent) return StationState::kSilent;
  const LanDatagram& d = station.last;
  if (d.signal_fault) return StationState::kSignalFault;
  if (d.autonomy_over) return StationState::kAutonomyEnd;
  if (d.battery_low) return StationState::kCriticalBattery;
  if (d.power_fail) return StationState::kMainsFailure;
  if (d.bypass) return StationState::kBypass;
  return StationState::kNormal;
}

const char* StateKey(StationState state) {
  switch (state) {
    case StationState::kNormal:
      return "normal";
    case StationState::kMainsFailure:
      return "mains_failure";
    case StationState::kCriticalBattery:
      return "battery_critical";
    case StationState::kBypass:
      return "bypass";
    case StationState::kAutonomyEnd:
      return "autonomy_end";
    case StationState::kSignalFault:
      return "signal_fault";
    case StationState::kSilent:
      return "silent";
  }
  return "silent";
}

const char* StateWords(StationState state) {
  switch (state) {
    case StationState::kNormal:
      return "Normal";
    case StationState::kMainsFailure:
      return "Falta de rede";
    case StationState::kCriticalBattery:
      return "Bateria crítica";
    case StationState::kBypass:
      return "Bypass";
    case StationState::kAutonomyEnd:
      return "Fim da autonomia";
    case StationState::kSignalFault:
      return "Falha de sinalização";
    case StationState::kSilent:
      return "Sem sinal";
  }
  return "Sem sinal";
}

}  // namespace web
