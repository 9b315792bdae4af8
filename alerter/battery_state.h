// A UPS that the operating system shows as a battery, as the monitor's
// alarms: the same UpsState as the serial lines give.
#pragma once

#include <optional>

#include "core/ups_state.h"
#include "platform/ups_battery.h"

// Nothing read (no battery answers), a battery said to be absent, or a
// power state the system does not give: a signal fault, never a mains
// failure. Off line (or, without that, discharging): a mains failure. The
// critical flag counts on battery only: a battery low after a long outage
// is still critical while it recharges, which is no reason to shut a
// computer on mains down.
core::UpsState UpsStateOfBattery(const std::optional<platform::UpsBatteryReading>& reading);
