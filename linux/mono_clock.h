// Durations of the daemon (time on battery, recharge, silence, the pace of
// the broadcasts) are measured on the monotonic clock, so that a step of the
// wall clock never moves the end of the autonomy.
#pragma once

#include <ctime>

// Whole seconds of the monotonic clock. Only differences mean anything.
time_t MonoSeconds();
