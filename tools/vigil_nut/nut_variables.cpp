#include "tools/vigil_nut/nut_variables.h"

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <optional>

#include "core/datagram_state.h"

using core::UpsState;

namespace vigil_nut {

namespace {

// The daemon's words for a station that cannot trust its UPS lines.
constexpr const char* kFaultText = "Problemas na comunicacao. Verifique o cabo serial";

struct Description {
  const char* name;
  const char* text;
};

// The standard names' texts are those of NUT's own table.
constexpr Description kDescriptions[] = {
    {"battery.charge", "Battery charge (percent of full)"},
    {"battery.runtime", "Battery runtime (seconds)"},
    {"battery.voltage", "Battery voltage (V)"},
    {"driver.name", "Driver name"},
    {"driver.version", "Driver version - NUT release"},
    {"input.voltage", "Input voltage (V)"},
    {"ups.alarm", "UPS alarms"},
    {"ups.load", "Load on UPS (percent of full)"},
    {"ups.status", "UPS status"},
    {"vigil.autonomy.base", "Autonomy when the discharge began (seconds)"},
    {"vigil.autonomy.nominal", "Autonomy of a full battery (seconds)"},
    {"vigil.datagram.address", "Address the last datagram came from"},
    {"vigil.datagram.age", "Seconds since the last datagram"},
    {"vigil.datagram.time", "Time of the last datagram (UTC)"},
    {"vigil.onbattery.time", "Time on battery in this discharge (seconds)"},
};

std::string UtcText(int64_t unixSeconds) {
  std::time_t t = static_cast<std::time_t>(unixSeconds);
  std::tm parts{};
  char text[32] = "";
  if (gmtime_r(&t, &parts)) std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &parts);
  return text;
}

// What is left of a full battery, in percent: the UPS's own reading when it
// has one, else the autonomy left against the nominal autonomy.
std::optional<int> ChargePercent(const UpsState& s) {
  if (s.charge_percent) return static_cast<int>(*s.charge_percent);
  if (!s.autonomy_left_s || !s.autonomy_nominal_s || *s.autonomy_nominal_s <= 0) return std::nullopt;
  int remaining = std::max(0, *s.autonomy_left_s);
  return std::min(100, static_cast<int>(int64_t{remaining} * 100 / *s.autonomy_nominal_s));
}

// As NUT's drivers give a measured figure: "230.1", "23", "13.5".
std::string OneDecimal(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%.1f", value);
  std::string out = text;
  if (out.size() > 2 && out.compare(out.size() - 2, 2, ".0") == 0) out.resize(out.size() - 2);
  return out;
}

void AddFigure(std::vector<NutVariable>* vars, const char* name, const std::optional<int32_t>& figure) {
  if (figure) vars->push_back({name, std::to_string(*figure)});
}

}  // namespace

std::string QuotedValue(std::string_view raw) {
  std::string out;
  out.reserve(raw.size());
  for (unsigned char c : raw) {
    if (c < 0x20 || c > 0x7E) {
      out += '?';
      continue;
    }
    if (c == '#' || c == '\\' || c == '"') out += '\\';
    out += static_cast<char>(c);
  }
  return out;
}

std::string StatusWords(const UpsState& s) {
  std::string words;
  auto add = [&](const char* word) {
    if (!words.empty()) words += ' ';
    words += word;
  };
  if (s.autonomy_end) add("FSD");
  add(s.mains_failure ? "OB" : "OL");
  if (s.battery_critical) add("LB");
  if (s.bypass) add("BYPASS");
  if (s.signal_fault) add("ALARM");
  return words;
}

std::vector<NutVariable> StateVariables(const UpsState& s) {
  std::vector<NutVariable> vars;
  if (std::optional<int> charge = ChargePercent(s)) vars.push_back({"battery.charge", std::to_string(*charge)});
  // The UPS's own estimate when it gives one, else the autonomy model's.
  std::optional<int32_t> runtime = s.runtime_s ? s.runtime_s : s.autonomy_left_s;
  if (runtime) vars.push_back({"battery.runtime", std::to_string(std::max(0, *runtime))});
  if (s.signal_fault) vars.push_back({"ups.alarm", kFaultText});
  if (s.load_percent) vars.push_back({"ups.load", OneDecimal(*s.load_percent)});
  if (s.input_voltage_v) vars.push_back({"input.voltage", OneDecimal(*s.input_voltage_v)});
  if (s.battery_voltage_v) vars.push_back({"battery.voltage", OneDecimal(*s.battery_voltage_v)});
  vars.push_back({"ups.status", StatusWords(s)});
  AddFigure(&vars, "vigil.autonomy.base", s.autonomy_full_s);
  AddFigure(&vars, "vigil.autonomy.nominal", s.autonomy_nominal_s);
  AddFigure(&vars, "vigil.onbattery.time", s.time_on_battery_s);
  return vars;
}

std::vector<NutVariable> StationVariables(const Station& station, int64_t nowMs, const core::UpsFigures* ownFigures,
                                          int64_t nowUnixMs) {
  UpsState state = core::StateOfDatagram(station.lan->last);
  if (ownFigures) core::TakeUpsFigures(*ownFigures, station.stationName, nowUnixMs, &state);
  std::vector<NutVariable> vars = StateVariables(state);
  vars.push_back({"device.mfr", "Tessaly"});
  vars.push_back({"device.model", "Vigil 2.0"});
  // Home Assistant makes its device id from the serial number.
  vars.push_back({"device.serial", QuotedValue(station.stationName)});
  vars.push_back({"device.type", "ups"});
  vars.push_back({"driver.name", "vigil-nut"});
  vars.push_back({"driver.version", kGatewayVersion});
  vars.push_back({"vigil.datagram.address", QuotedValue(station.lan->sourceAddress)});
  vars.push_back({"vigil.datagram.age", std::to_string(std::max<int64_t>(0, nowMs - station.lan->heardMs) / 1000)});
  vars.push_back({"vigil.datagram.time", UtcText(station.lan->heardUnix)});
  std::sort(vars.begin(), vars.end(), [](const NutVariable& a, const NutVariable& b) { return a.name < b.name; });
  return vars;
}

const char* VariableDescription(std::string_view name) {
  for (const Description& d : kDescriptions)
    if (name == d.name) return d.text;
  return "Description unavailable";
}

}  // namespace vigil_nut
