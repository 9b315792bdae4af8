#include "tools/vigil_nut/nut_variables.h"

#include <algorithm>
#include <ctime>

using core::LanDatagram;
using core::SignedSeconds;

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
    {"driver.name", "Driver name"},
    {"driver.version", "Driver version - NUT release"},
    {"ups.alarm", "UPS alarms"},
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

std::string StatusWords(const LanDatagram& d) {
  std::string words;
  auto add = [&](const char* word) {
    if (!words.empty()) words += ' ';
    words += word;
  };
  if (d.autonomy_over) add("FSD");
  add(d.power_fail ? "OB" : "OL");
  if (d.battery_low) add("LB");
  if (d.bypass) add("BYPASS");
  if (d.signal_fault) add("ALARM");
  return words;
}

std::vector<NutVariable> StationVariables(const Station& station, int64_t nowMs) {
  const LanDatagram& d = station.lan->last;
  int remaining = std::max(0, SignedSeconds(d.autonomy_left));
  std::vector<NutVariable> vars;
  if (d.autonomy_total > 0) {
    int charge = std::min(100, remaining * 100 / d.autonomy_total);
    vars.push_back({"battery.charge", std::to_string(charge)});
  }
  vars.push_back({"battery.runtime", std::to_string(remaining)});
  vars.push_back({"device.mfr", "Tessaly"});
  vars.push_back({"device.model", "Vigil 2.0"});
  // Home Assistant makes its device id from the serial number.
  vars.push_back({"device.serial", QuotedValue(station.stationName)});
  vars.push_back({"device.type", "ups"});
  vars.push_back({"driver.name", "vigil-nut"});
  vars.push_back({"driver.version", kGatewayVersion});
  if (d.signal_fault) vars.push_back({"ups.alarm", kFaultText});
  vars.push_back({"ups.status", StatusWords(d)});
  vars.push_back({"vigil.autonomy.base", std::to_string(d.autonomy_base)});
  vars.push_back({"vigil.autonomy.nominal", std::to_string(d.autonomy_total)});
  vars.push_back({"vigil.datagram.address", QuotedValue(station.lan->sourceAddress)});
  vars.push_back({"vigil.datagram.age", std::to_string(std::max<int64_t>(0, nowMs - station.lan->heardMs) / 1000)});
  vars.push_back({"vigil.datagram.time", UtcText(station.lan->heardUnix)});
  vars.push_back({"vigil.onbattery.time", std::to_string(d.discharge_time)});
  std::sort(vars.begin(), vars.end(), [](const NutVariable& a, const NutVariable& b) { return a.name < b.name; });
  return vars;
}

const char* VariableDescription(std::string_view name) {
  for (const Description& d : kDescriptions)
    if (name == d.name) return d.text;
  return "Description unavailable";
}

}  // namespace vigil_nut
