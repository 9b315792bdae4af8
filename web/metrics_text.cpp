#include "web/metrics_text.h"

#include <cstdio>
#include <iterator>
#include <optional>

#include "web/history_events.h"
#include "web/text_escape.h"

using core::UpsState;

namespace web {

namespace {

void Family(std::string* out, const char* name, const char* type, const char* help) {
  *out += std::string("# HELP ") + name + " " + help + "\n# TYPE " + name + " " + type + "\n";
}

std::string Ups(const StationNow& s) { return "ups=\"" + LabelValue(s.label) + "\""; }

std::string Number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", value);
  return text;
}

}  // namespace

std::string MetricsText(const BoardNow& now, const std::map<std::string, std::map<int, uint64_t>>& events) {
  std::string out;
  out.reserve(512 + now.stations.size() * 1200);

  Family(&out, "network_ups_tools_ups_status", "gauge", "UPS status flag (1 when set)");
  for (const StationNow& s : now.stations) {
    if (s.silent) continue;
    const UpsState ups = LastState(s);
    const std::pair<const char*, bool> flags[] = {
        {"OL", !ups.mains_failure}, {"OB", ups.mains_failure}, {"LB", ups.battery_critical},
        {"BYPASS", ups.bypass},     {"FSD", ups.autonomy_end}, {"ALARM", ups.signal_fault},
    };
    for (const auto& [flag, set] : flags)
      out += "network_ups_tools_ups_status{flag=\"" + std::string(flag) + "\"," + Ups(s) + "} " + (set ? "1" : "0") +
             "\n";
  }
  Family(&out, "network_ups_tools_battery_runtime", "gauge", "Battery runtime (seconds)");
  for (const StationNow& s : now.stations)
    if (!s.silent) out += "network_ups_tools_battery_runtime{" + Ups(s) + "} " + std::to_string(RemainingNow(s)) + "\n";
  // What a UPS measures, only where it is wired to this computer: no line
  // for a station whose UPS does not say it.
  const std::pair<const char*, std::optional<double> UpsState::*> measured[] = {
      {"network_ups_tools_battery_charge", &UpsState::charge_percent},
      {"network_ups_tools_ups_load", &UpsState::load_percent},
      {"network_ups_tools_input_voltage", &UpsState::input_voltage_v},
      {"network_ups_tools_battery_voltage", &UpsState::battery_voltage_v},
  };
  const char* help[] = {"Battery charge (percent)", "Load on UPS (percent)", "Input voltage (volts)",
                        "Battery voltage (volts)"};
  for (size_t i = 0; i < std::size(measured); ++i) {
    std::string samples;
    for (const StationNow& s : now.stations) {
      const std::optional<double> figure = LastState(s).*measured[i].second;
      if (!s.silent && figure) samples += std::string(measured[i].first) + "{" + Ups(s) + "} " + Number(*figure) + "\n";
    }
    // No family at all where no UPS measures the figure.
    if (samples.empty()) continue;
    Family(&out, measured[i].first, "gauge", help[i]);
    out += samples;
  }
  Family(&out, "network_ups_tools_device_info", "gauge", "UPS device information");
  for (const StationNow& s : now.stations)
    if (!s.silent)
      out += "network_ups_tools_device_info{mfr=\"Tessaly\",model=\"Vigil 2.0\",serial=\"" + LabelValue(s.label) +
             "\",type=\"ups\"," + Ups(s) + "} 1\n";

  Family(&out, "vigil_station_silent", "gauge", "1 when the station has not been heard for 30 seconds");
  for (const StationNow& s : now.stations) out += "vigil_station_silent{" + Ups(s) + "} " + (s.silent ? "1" : "0") + "\n";
  Family(&out, "vigil_last_heard_seconds", "gauge", "Seconds since the station's last believed datagram");
  for (const StationNow& s : now.stations)
    if (s.heard) out += "vigil_last_heard_seconds{" + Ups(s) + "} " + std::to_string(s.silentForMs / 1000) + "\n";
  Family(&out, "vigil_on_battery_seconds", "gauge", "Seconds on battery in the current discharge");
  for (const StationNow& s : now.stations)
    if (s.heard) out += "vigil_on_battery_seconds{" + Ups(s) + "} " + std::to_string(OnBatteryNow(s)) + "\n";
  Family(&out, "vigil_datagrams_received_total", "counter", "Datagrams believed from the station");
  for (const StationNow& s : now.stations)
    out += "vigil_datagrams_received_total{" + Ups(s) + "} " + std::to_string(s.received) + "\n";
  Family(&out, "vigil_events_total", "counter", "Events recorded in the station's history, by kind");
  for (const StationNow& s : now.stations) {
    auto found = events.find(s.name);
    if (found == events.end()) continue;
    // Kinds that share a name (the two ends of autonomy) are added up.
    std::map<std::string, uint64_t> byKind;
    for (const auto& [kind, count] : found->second) byKind[EventSlug(kind)] += count;
    for (const auto& [kind, count] : byKind)
      out += "vigil_events_total{kind=\"" + kind + "\"," + Ups(s) + "} " + std::to_string(count) + "\n";
  }
  Family(&out, "vigil_datagrams_refused_total", "counter", "Datagrams not believed, by reason");
  for (size_t i = 0; i < kRefusalKinds; ++i)
    out += "vigil_datagrams_refused_total{reason=\"" + std::string(RefusalLabel(static_cast<Refusal>(i))) + "\"} " +
           std::to_string(now.refused[i]) + "\n";
  return out;
}

}  // namespace web
