// The kinds of events in a station's history. Where the product's event
// file has a kind for it, its code is used (1 "Falta de rede", 2 "Retorno
// da rede", 20 "Término da autonomia prevista", 30 and 31 bypass); what the
// event file has no code for takes a number from 100 on.
#pragma once

#include <cstdint>
#include <string>

namespace web {

inline constexpr uint16_t kEventMainsFailure = 1;
inline constexpr uint16_t kEventMainsReturn = 2;
inline constexpr uint16_t kEventShutdown = 5;
inline constexpr uint16_t kEventAutonomyEnd = 20;
inline constexpr uint16_t kEventBypassOn = 30;
inline constexpr uint16_t kEventBypassOff = 31;
inline constexpr uint16_t kEventBatteryCritical = 100;
inline constexpr uint16_t kEventBatteryRecovered = 101;
inline constexpr uint16_t kEventSignalFault = 102;
inline constexpr uint16_t kEventSignalRestored = 103;
inline constexpr uint16_t kEventSilent = 104;
inline constexpr uint16_t kEventHeard = 105;

// The text of a kind, UTF-8: the event file's own text for its codes,
// "Evento <n>" for an unknown one.
std::string EventText(int code);

// A short name for the metrics' kind label: "mains_failure",
// "mains_return", ...; "other" for a code without one.
const char* EventSlug(int code);

}  // namespace web
