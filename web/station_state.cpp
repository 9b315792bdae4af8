#include "web/station_state.h"

using core::UpsState;

namespace web {

StationState StateOf(const StationNow& station) {
  if (station.silent) return StationState::kSilent;
  const UpsState ups = LastState(station);
  if (ups.signal_fault) return StationState::kSignalFault;
  if (ups.autonomy_end) return StationState::kAutonomyEnd;
  if (ups.battery_critical) return StationState::kCriticalBattery;
  if (ups.mains_failure) return StationState::kMainsFailure;
  if (ups.bypass) return StationState::kBypass;
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
