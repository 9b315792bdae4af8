// A station's state as NUT variables: the standard names where one fits,
// "vigil." names for the rest.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/ups_state.h"
#include "core/ups_figures.h"
#include "tools/vigil_nut/station_table.h"

namespace vigil_nut {

inline constexpr const char* kGatewayVersion = "2.0";

struct NutVariable {
  std::string name;
  std::string value;  // as sent between the quotes: already escaped
};

// Every variable of `station`, sorted by name as upsd lists them. With
// `ownFigures`, the figures of the UPS wired to this computer join the
// station they name while fresh at `nowUnixMs` (core/ups_figures.h).
std::vector<NutVariable> StationVariables(const Station& station, int64_t nowMs,
                                          const core::UpsFigures* ownFigures = nullptr, int64_t nowUnixMs = 0);

// The variables that tell a UPS's state, unsorted; a figure the state does
// not know gives no variable.
std::vector<NutVariable> StateVariables(const core::UpsState& state);

// ups.status: FSD first when the autonomy has ended (upsd puts it first),
// then OL or OB, LB, BYPASS, ALARM.
std::string StatusWords(const core::UpsState& state);

// A value as upsd quotes it: '#', '\' and '"' behind a backslash; a byte
// outside printable ASCII (a station name may hold any) becomes '?'.
std::string QuotedValue(std::string_view raw);

// The text GET DESC answers for a variable name.
const char* VariableDescription(std::string_view name);

}  // namespace vigil_nut
