#include "core/ups_figures.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace core {

namespace {

constexpr std::string_view kFirstLine = "vigil ups figures 1";
constexpr size_t kStationMax = 32;
constexpr size_t kNumberMax = 31;

// Plausible ranges; a reading beyond them is a fault of the UPS or of the
// file, and shows as no figure.
constexpr double kChargeMax = 100;
constexpr double kLoadMax = 1000;  // an overload reads above 100
constexpr double kVoltageMax = 10000;
constexpr double kRuntimeMax = 2147483647.0;

std::optional<double> Number(std::string_view text, double max) {
  if (text.empty() || text.size() > kNumberMax) return std::nullopt;
  char copy[kNumberMax + 1];
  text.copy(copy, text.size());
  copy[text.size()] = '\0';
  char* end = nullptr;
  errno = 0;
  double value = std::strtod(copy, &end);
  if (errno != 0 || end != copy + text.size() || !std::isfinite(value) || value < 0 || value > max)
    return std::nullopt;
  return value;
}

bool InRange(const std::optional<double>& value, double max) {
  return value && std::isfinite(*value) && *value >= 0 && *value <= max;
}

void AddLine(std::string* out, const char* key, const std::optional<double>& value, double max) {
  if (!InRange(value, max)) return;
  char text[48];
  std::snprintf(text, sizeof text, "%s=%.1f\n", key, *value);
  *out += text;
}

}  // namespace

std::string UpsFiguresText(std::string_view station, int64_t writtenUnixMs, const UpsState& measured) {
  std::string out(kFirstLine);
  out += "\nstation=";
  // A line break would end the name early; the daemon's station names come
  // from one line of its file and hold none.
  for (char c : station.substr(0, kStationMax)) out += (c == '\n' || c == '\r') ? '?' : c;
  out += "\nwritten_unix_ms=" + std::to_string(writtenUnixMs) + "\n";
  AddLine(&out, "charge_percent", measured.charge_percent, kChargeMax);
  if (measured.runtime_s && *measured.runtime_s >= 0) out += "runtime_s=" + std::to_string(*measured.runtime_s) + "\n";
  AddLine(&out, "load_percent", measured.load_percent, kLoadMax);
  AddLine(&out, "input_voltage_v", measured.input_voltage_v, kVoltageMax);
  AddLine(&out, "battery_voltage_v", measured.battery_voltage_v, kVoltageMax);
  return out;
}

std::string SuiteUpsFiguresPath(std::string_view windowsDir, char separator) {
  return std::string(windowsDir) + separator + kSuiteUpsFiguresName;
}

bool UpsFiguresDue(const UpsFiguresPace& pace, const std::string& figures, int64_t monoMs) {
  if (pace.writtenMs < 0) return true;
  int64_t since = monoMs - pace.writtenMs;
  return (figures != pace.written && since >= 2000) || since >= kUpsFiguresRefreshMs / 2;
}

std::optional<UpsFigures> ParseUpsFigures(std::string_view text) {
  if (text.size() > kUpsFiguresMax) return std::nullopt;
  UpsFigures figures;
  bool first = true, named = false, dated = false;
  // Only whole lines count: a file cut short must not turn "1260" into "12".
  for (size_t end = text.find('\n'); end != std::string_view::npos; end = text.find('\n')) {
    std::string_view line = text.substr(0, end);
    text = text.substr(end + 1);
    if (first) {
      if (line != kFirstLine) return std::nullopt;
      first = false;
      continue;
    }
    size_t equals = line.find('=');
    if (equals == std::string_view::npos) continue;
    std::string_view key = line.substr(0, equals), value = line.substr(equals + 1);
    if (key == "station") {
      if (value.size() > kStationMax) return std::nullopt;
      figures.station = std::string(value);
      named = true;
    } else if (key == "written_unix_ms") {
      std::optional<double> ms = Number(value, 9.0e15);
      if (!ms || *ms != std::floor(*ms)) return std::nullopt;
      figures.writtenUnixMs = static_cast<int64_t>(*ms);
      dated = true;
    } else if (key == "charge_percent") {
      figures.measured.charge_percent = Number(value, kChargeMax);
    } else if (key == "runtime_s") {
      std::optional<double> seconds = Number(value, kRuntimeMax);
      figures.measured.runtime_s.reset();
      if (seconds) figures.measured.runtime_s = static_cast<int32_t>(*seconds);
    } else if (key == "load_percent") {
      figures.measured.load_percent = Number(value, kLoadMax);
    } else if (key == "input_voltage_v") {
      figures.measured.input_voltage_v = Number(value, kVoltageMax);
    } else if (key == "battery_voltage_v") {
      figures.measured.battery_voltage_v = Number(value, kVoltageMax);
    }
  }
  if (first || !named || !dated) return std::nullopt;
  return figures;
}

bool TakeUpsFigures(const UpsFigures& figures, std::string_view station, int64_t nowUnixMs, UpsState* state) {
  if (figures.station != station) return false;
  int64_t age = nowUnixMs - figures.writtenUnixMs;
  if (age > kUpsFiguresStaleAfterMs || age < -kUpsFiguresRefreshMs) return false;
  TakeMeasured(figures.measured, state);
  return true;
}

void TakeMeasured(const UpsState& from, UpsState* into) {
  into->charge_percent = from.charge_percent;
  into->runtime_s = from.runtime_s;
  into->load_percent = from.load_percent;
  into->input_voltage_v = from.input_voltage_v;
  into->battery_voltage_v = from.battery_voltage_v;
}

}  // namespace core
