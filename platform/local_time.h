// Local time: a moment turned into the calendar date and clock time of the
// computer's time zone, as the system converts it.
#pragma once

#include <ctime>

namespace platform {

// Fills `local` with the local time of `when`. False when the system cannot
// convert it (a moment outside its calendar); `local` is then unspecified.
bool LocalTime(std::time_t when, std::tm* local);

}  // namespace platform
