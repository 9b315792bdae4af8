#include "beep.h"

#include <unistd.h>

#include "config_file.h"
#include "linesim/line_sim.h"

namespace {
constexpr int kToneHz = 450;
constexpr int kToneMs = 200;
}  // namespace

void Beep() {
  if (config.beep_on == 0) return;
  if (const char* sim = linesim::PathFromEnvironment()) {
    linesim::AppendTone(sim, kToneHz, kToneMs);
    usleep(kToneMs * 1000);
    return;
  }
  SpeakerTone(kToneHz, kToneMs);
}
