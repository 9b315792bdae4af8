// /api/status: every station now, as JSON.
//
// {"generated_at": "...Z", "unix_ms": n, "keyed": bool,
//  "stations": [{"name", "url", "state", "state_text", "silent", "heard",
//    "flags": {"power_failure", "battery_critical", "bypass", "fault",
//              "autonomy_end"},
//    "autonomy": {"remaining_seconds", "nominal_seconds", "base_seconds"},
//    "on_battery_seconds", "last_heard_seconds", "last_heard_at",
//    "signed" (verified under the key), "signature" ("none", "unchecked",
//    "verified"), "datagrams"}],
//  "refused": {"<reason>": n, ...}}
//
// Figures are as of "unix_ms": the remaining autonomy and the time on
// battery already counted on since the last datagram. A station never
// heard since the program started has "heard": false and no figures.
#pragma once

#include <string>

#include "web/station_now.h"

namespace web {

std::string StatusJson(const BoardNow& now);

}  // namespace web
