// The figures file is read by services of other users; what lies there may
// be anything a program with write access to the folder left.
#include <cstring>
#include <string_view>

#include "core/ups_figures.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  auto figures = core::ParseUpsFigures(text);
  if (!figures) return 0;
  const core::UpsState& m = figures->measured;
  if (figures->station.size() > 32) __builtin_trap();
  if (m.charge_percent && !(*m.charge_percent >= 0 && *m.charge_percent <= 100)) __builtin_trap();
  if (m.runtime_s && *m.runtime_s < 0) __builtin_trap();
  if (m.mains_failure || m.autonomy_left_s) __builtin_trap();
  // Written again, it reads back with the same station and the same figures present.
  auto again = core::ParseUpsFigures(core::UpsFiguresText(figures->station, figures->writtenUnixMs, m));
  if (!again || again->writtenUnixMs != figures->writtenUnixMs) __builtin_trap();
  if (again->measured.charge_percent.has_value() != m.charge_percent.has_value() ||
      again->measured.runtime_s != m.runtime_s ||
      again->measured.battery_voltage_v.has_value() != m.battery_voltage_v.has_value())
    __builtin_trap();
  return 0;
}
