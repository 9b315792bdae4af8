#include "web/status_json.h"

#include <optional>

#include <nlohmann/json.hpp>

#include "web/station_state.h"
#include "web/text_escape.h"

using core::LanSignature;
using core::UpsState;

namespace web {

namespace {

// A figure the station does not know is null, never 0.
nlohmann::json Figure(const std::optional<int32_t>& seconds) {
  return seconds ? nlohmann::json(*seconds) : nlohmann::json(nullptr);
}

nlohmann::json Measured(const std::optional<double>& figure) {
  return figure ? nlohmann::json(*figure) : nlohmann::json(nullptr);
}

}  // namespace

std::string StatusJson(const BoardNow& now) {
  using nlohmann::json;
  json stations = json::array();
  for (const StationNow& s : now.stations) {
    StationState state = StateOf(s);
    json station = {
        {"name", s.label},
        {"url", "/station/" + PathSegment(s.label)},
        {"state", StateKey(state)},
        {"state_text", StateWords(state)},
        {"silent", s.silent},
        {"heard", s.heard},
        {"signed", s.signature == LanSignature::kVerified},
        {"signature", SignatureKey(s.signature)},
        {"datagrams", s.received},
    };
    if (s.heard) {
      const UpsState ups = LastState(s);
      station["flags"] = {{"power_failure", ups.mains_failure},
                          {"battery_critical", ups.battery_critical},
                          {"bypass", ups.bypass},
                          {"fault", ups.signal_fault},
                          {"autonomy_end", ups.autonomy_end}};
      station["autonomy"] = {{"remaining_seconds", RemainingNow(s)},
                             {"nominal_seconds", Figure(ups.autonomy_nominal_s)},
                             {"base_seconds", Figure(ups.autonomy_full_s)}};
      station["measured"] = {{"charge_percent", Measured(ups.charge_percent)},
                             {"runtime_seconds", Figure(ups.runtime_s)},
                             {"load_percent", Measured(ups.load_percent)},
                             {"input_voltage", Measured(ups.input_voltage_v)},
                             {"battery_voltage", Measured(ups.battery_voltage_v)}};
      station["on_battery_seconds"] = OnBatteryNow(s);
      station["last_heard_seconds"] = s.silentForMs / 1000;
      station["last_heard_at"] = UtcIso(s.heardUnixMs);
    }
    stations.push_back(std::move(station));
  }
  json refused = json::object();
  for (size_t i = 0; i < kRefusalKinds; ++i) refused[RefusalLabel(static_cast<Refusal>(i))] = now.refused[i];
  json doc = {{"generated_at", UtcIso(now.unixMs)},
              {"unix_ms", now.unixMs},
              {"keyed", now.keyed},
              {"stations", std::move(stations)},
              {"refused", std::move(refused)}};
  // Labels are valid UTF-8 already; anything else would be replaced, never thrown on.
  return doc.dump(-1, ' ', false, json::error_handler_t::replace) + "\n";
}

}  // namespace web
