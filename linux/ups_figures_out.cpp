#include "ups_figures_out.h"

#include <ctime>

#include "linuxbase/monotonic_clock.h"
#include "linuxbase/ups_figures_file.h"
#include "paths.h"

namespace {

int64_t WallClockMs() {
  struct timespec now;
  if (clock_gettime(CLOCK_REALTIME, &now) != 0) return 0;
  return static_cast<int64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

}  // namespace

std::string PublishUpsFigures(UpsFiguresOut* out, std::string_view station, const core::HidUpsReading& reading) {
  core::UpsState measured = core::HidUpsMeasured(reading);
  std::string figures = core::UpsFiguresText(station, 0, measured);
  int64_t now = linuxbase::MonotonicMs();
  if (!core::UpsFiguresDue(out->pace, figures, now)) return "";
  std::string error;
  if (!linuxbase::WriteUpsFiguresFile(kUpsFiguresPath, core::UpsFiguresText(station, WallClockMs(), measured),
                                      &error)) {
    if (out->failure_told) return "";
    out->failure_told = true;
    return "Nao foi possivel gravar as medidas do nobreak: " + error;
  }
  out->pace = {figures, now};
  return "";
}

void WithdrawUpsFigures(UpsFiguresOut* out) {
  if (out->pace.writtenMs < 0) return;
  linuxbase::RemoveUpsFiguresFile(kUpsFiguresPath);
  out->pace = {};
}
