#include "autonomy.h"

#include <cstdio>

std::string AutonomyText(int left) {
  // Rounded up in 64 bits: the largest autonomies are near the top of an int.
  long long minutes = left > 0 ? (static_cast<long long>(left) + 59) / 60 : 0;
  char text[64];
  if (minutes >= 2)
    std::snprintf(text, sizeof text, "Autonomia = %lld (%d) minutos", minutes, left);
  else
    std::snprintf(text, sizeof text, "Automonia = %d segundos", left);
  return text;
}

int RechargeEstimate(int start_left, int elapsed, int recharge, int total) {
  if (recharge <= 0 || start_left >= total) return total;
  double estimate = static_cast<double>(elapsed) / recharge * total + start_left;
  // Compared in floating point: near the largest autonomies the sum no
  // longer fits an int.
  if (estimate >= total) return total;
  return static_cast<int>(estimate);
}
