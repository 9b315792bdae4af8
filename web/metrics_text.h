// /metrics in Prometheus' text format. The names of the popular NUT
// exporter, so that its dashboards and rules work unchanged, labelled
// ups="<station>":
//   network_ups_tools_ups_status{flag}   0 or 1, always for OL, OB, LB,
//                                        BYPASS and FSD, and ALARM
//   network_ups_tools_battery_runtime    seconds, the autonomy counting down
//   network_ups_tools_battery_charge     percent  } what a USB UPS wired to
//   network_ups_tools_ups_load           percent  } this computer measures,
//   network_ups_tools_input_voltage      volts    } for its station only
//   network_ups_tools_battery_voltage    volts    }
//   network_ups_tools_device_info{mfr,model,serial,type}  1
// for a station that is not silent (a silent one's are left out, as the
// exporter leaves out a UPS whose data is stale); and the product's own:
//   vigil_station_silent                 0 or 1, every station
//   vigil_last_heard_seconds             since its last datagram
//   vigil_on_battery_seconds             in the current discharge
//   vigil_datagrams_received_total       believed datagrams
//   vigil_events_total{kind}             events recorded, by kind
//   vigil_datagrams_refused_total{reason}  (no ups label: a refused
//                                        datagram's station is not believed)
// Nothing for what the UPS does not tell (a contact-closure UPS gives no
// charge): never a 0 that looks measured.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "web/station_now.h"

namespace web {

std::string MetricsText(const BoardNow& now, const std::map<std::string, std::map<int, uint64_t>>& events);

}  // namespace web
