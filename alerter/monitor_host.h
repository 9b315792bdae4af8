// What the UPS monitor needs from the program around it: the lines, the
// clock, the event file, the LAN sender, the user, the main loop and the
// operating system's shutdown. The program gives the real ones; tests give
// their own (a clock they set, lines they choose).
#pragma once

#include <cstdint>
#include <optional>

#include "core/status_record.h"
#include "core/ups_state.h"
#include "platform/ups_battery.h"

class CMonitorHost {
 public:
  virtual ~CMonitorHost() = default;

  // The serial lines, as LineTap's master reads them: 1 active, 0 inactive,
  // negative on a failed read.
  virtual int32_t ReadDsr() = 0;
  virtual int32_t ReadCts() = 0;
  virtual int32_t ReadRing() = 0;
  // A USB UPS, as the operating system shows it: a battery. Nothing when no
  // battery answers (the host keeps why, for ReportLineReading).
  virtual std::optional<platform::UpsBatteryReading> ReadUpsBattery() = 0;
  // The lines (or the USB UPS) could not be read (`readable` false: a pulled adapter, a
  // device gone) or can again; called once at each of these changes.
  virtual void ReportLineReading(bool readable) = 0;
  // What the USB UPS measures (charge, runtime), for the gateways on this
  // computer; nothing while it is not read.
  virtual void PublishUpsFigures(const std::optional<core::UpsState>& measured) = 0;

  // Seconds on a clock that only moves forward.
  virtual int64_t Now() = 0;

  // Appends one event to the event file (nothing when it is not open).
  virtual void LogEvent(int32_t code) = 0;
  // Sends `state` as a LAN notification when this computer notifies (its
  // datagram image lands in state.packet); does nothing otherwise.
  virtual void NotifyNetwork(core::CState& state) = 0;

  // A box with `style` at the console; the answer (6 = Yes).
  virtual int AskUser(uint32_t style, const char* text) = 0;
  // True while the program runs under the service control manager.
  virtual bool ServiceMode() = 0;
  // Ends the main loop in order.
  virtual void PostQuitRequest() = 0;

  // Runs a command line through the system's command interpreter and waits
  // for it; its result.
  virtual int RunCommand(const char* commandLine) = 0;
  // Posts `message` to every top-level window.
  virtual void PostToAllWindows(uint32_t message, uintptr_t wParam, intptr_t lParam) = 0;
  virtual void Wait(uint32_t milliseconds) = 0;
  // Asks the operating system to shut down; true when it accepted.
  virtual bool RequestShutdown(bool force) = 0;
};
