// A station's state in one word, for people (Portuguese words and a colour)
// and for programs (a stable key).
#pragma once

#include "web/station_now.h"

namespace web {

enum class StationState {
  kNormal,
  kMainsFailure,
  kCriticalBattery,
  kBypass,
  kAutonomyEnd,
  kSignalFault,  // the station cannot trust its own UPS lines
  kSilent,
};

// The one that matters most when several hold: silence first (nothing it
// said is current), then a signalling fault (its flags are not to be
// trusted), the end of autonomy, a critical battery, a mains failure,
// bypass.
StationState StateOf(const StationNow& station);

// "normal", "mains_failure", "battery_critical", "bypass", "autonomy_end",
// "signal_fault", "silent": the JSON's and the page's key.
const char* StateKey(StationState state);
// "Normal", "Falta de rede", "Bateria crítica", "Bypass", "Fim da
// autonomia", "Falha de sinalização", "Sem sinal" (UTF-8).
const char* StateWords(StationState state);

}  // namespace web
