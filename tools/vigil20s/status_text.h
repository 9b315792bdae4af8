// What the supervisor shows of the monitoring program's status record: the
// station, each alarm flag and the autonomy figures, in plain text.
#pragma once

#include <string>

#include "core/status_record.h"

namespace supervisor {

// Minutes and seconds, "m:ss" (a negative figure keeps its sign).
std::string MinutesSeconds(int seconds);

// The lines shown for `state`, each ending in '\n'.
std::string StatusText(const core::CState& state);

// The line shown while the monitoring program does not answer, with the
// system's error code.
std::string NoAnswerText(uint32_t error);

}  // namespace supervisor
