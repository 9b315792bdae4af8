// The arithmetic of the autonomy estimate. Times in seconds.
#pragma once

#include <string>

// The console text for `left` seconds of autonomy: whole minutes rounded up
// with the seconds when that makes 2 minutes or more, else the seconds.
std::string AutonomyText(int left);

// The estimate `elapsed` seconds into a recharge that began at `start_left`:
// a linear refill of `total` over `recharge` seconds, never above `total`,
// whatever the figures. A recharge time of 0 or less means the battery counts
// as full at once.
int RechargeEstimate(int start_left, int elapsed, int recharge, int total);
