// The figures a USB UPS measures (charge, runtime, load, voltages), left in
// kUpsFiguresPath for the gateways on this computer: the LAN datagram has
// no room for them. Written by the line monitor only.
#pragma once

#include <string>
#include <string_view>

#include "core/hid_ups_reading.h"
#include "core/ups_figures.h"

struct UpsFiguresOut {
  core::UpsFiguresPace pace;
  bool failure_told = false;  // a failed write is logged once
};

// Writes the UPS's figures when core::UpsFiguresDue says so. `station`: the
// name as the datagrams carry it. Returns the log line of the first failed
// write, and an empty text otherwise.
std::string PublishUpsFigures(UpsFiguresOut* out, std::string_view station, const core::HidUpsReading& reading);

// The UPS is unplugged, or the daemon stops: its figures are no longer
// measured, and the file goes.
void WithdrawUpsFigures(UpsFiguresOut* out);
