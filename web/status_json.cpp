#include "web/status_json.h"

#include <nlohmann/json.hpp>

#include "web/station_state.h"
#include "web/text_escape.h"

using core::LanDatagram;
using core::LanSignature;

namespace web {

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
      const LanDatagram& d = s.last;
      station["flags"] = {{"power_failure", d.power_fail != 0}, {"battery_critical", d.battery_low != 0},
                          {"bypass", d.bypass != 0},           {"fault", d.signal_fault != 0},
                          {"autonomy_end", d.autonomy_over != 0}};
      station["autonomy"] = {{"remaining_seconds", RemainingNow(s)},
                             {"nominal_seconds", d.autonomy_total},
                             {"base_seconds", d.autonomy_base}};
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
