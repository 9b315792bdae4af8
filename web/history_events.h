// The kinds of events in a station's history, as the one table of event
// kinds (core/event_kind_table.h) numbers them: where the product's event
// file has a kind for it, its code (1 "Falta de rede", 2 "Retorno da rede",
// 20 "Término da autonomia prevista", 30 and 31 bypass); what the event
// file has no code for takes a number from 100 on.
#pragma once

#include <cstdint>
#include <string>

#include "core/event_kind_table.h"

namespace web {

constexpr uint16_t HistoryCode(core::Event event) { return core::Info(event).history_code; }

inline constexpr uint16_t kEventMainsFailure = HistoryCode(core::Event::MainsFailure);
inline constexpr uint16_t kEventMainsReturn = HistoryCode(core::Event::MainsReturn);
inline constexpr uint16_t kEventShutdown = HistoryCode(core::Event::ShutdownAccepted);
inline constexpr uint16_t kEventAutonomyEnd = HistoryCode(core::Event::AutonomyEnd);
inline constexpr uint16_t kEventBypassOn = HistoryCode(core::Event::BypassOn);
inline constexpr uint16_t kEventBypassOff = HistoryCode(core::Event::BypassOff);
inline constexpr uint16_t kEventBatteryCritical = HistoryCode(core::Event::BatteryCritical);
inline constexpr uint16_t kEventBatteryRecovered = HistoryCode(core::Event::BatteryRecovered);
inline constexpr uint16_t kEventSignalFault = HistoryCode(core::Event::SignalFault);
inline constexpr uint16_t kEventSignalRestored = HistoryCode(core::Event::SignalRestored);
inline constexpr uint16_t kEventSilent = HistoryCode(core::Event::StationSilent);
inline constexpr uint16_t kEventHeard = HistoryCode(core::Event::StationHeard);

// The text of a kind, UTF-8: the table's page text, "Evento <n>" for an
// unknown one.
std::string EventText(int code);

// A short name for the metrics' kind label: "mains_failure",
// "mains_return", ...; "other" for a code without one.
const char* EventSlug(int code);

}  // namespace web
