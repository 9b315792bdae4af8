// The UPS monitor: the status record and everything done to it on the
// main thread. Each monitor tick samples the lines (or the USB UPS that
// the system shows as a battery; or, on a network client, only runs the
// model), filters them, runs the autonomy model,
// distributes changes and feeds the event state machine; received LAN
// notifications come in through OnReceivedState. The status pipe's threads
// read a copy published at the end of every handler, under a lock.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "alerter/monitor_host.h"
#include "core/status_record.h"
#include "config/apl_config.h"

class CUpsMonitor {
 public:
  CUpsMonitor(const CAplConfig& config, CMonitorHost& host) : config_(config), host_(host) {}

  // The monitor window's creation: the record reset, the autonomy figures
  // set to "Autonomia Nominal", the start time taken as the last repeat and
  // the last reception.
  void Reset();
  // Set at start-up when the shutdown privilege was obtained.
  void SetShutdownAllowed(bool allowed) { shutdownAllowed = allowed; }

  // One monitor tick.
  void OnMonitorTimer();
  // An accepted LAN notification, decoded.
  void OnReceivedState(const core::CState& rx);

  // A consistent copy of currentState as of the end of the last handler.
  core::CState Snapshot() const;
  // The same copy for the status pipe's threads, which are not stopped at
  // exit: it shares the published record, so it stays valid (with the last
  // record) after the monitor is gone.
  std::function<core::CState()> SnapshotSource() const;

  // The pieces of a tick, in the order the tick runs them.
  void RunCountdowns();
  // Fills the alarm part of `record` from one reading of the lines; false,
  // with `record` untouched, when any of them could not be read.
  bool SampleLines(core::CState& record);
  // Fills the alarm part of `record` from one reading of the USB UPS (a
  // signal fault for a battery that answers without a power state); false,
  // with `record` untouched, when no battery answers.
  bool SampleBattery(core::CState& record);
  // A USB UPS named in "UsbPort" takes the place of the serial cable.
  bool WatchesUsbUps() const { return config_.comMode == 1 && !config_.usbPort.empty(); }
  void UpdateAutonomy(core::CState& s);
  // "Modo Autonomia" 0 (the default) with a USB UPS that estimates its
  // runtime: the autonomy is that estimate. 1, a contact-closure UPS, or a
  // UPS without the estimate: the linear model of "Autonomia Nominal" and
  // "Tempo Recarga".
  bool FollowsUpsRuntime() const { return WatchesUsbUps() && config_.modoAutonomia == 0 && upsRuntime.has_value(); }
  void FollowUpsRuntime(core::CState& s);
  void ProcessStateChange(core::CState& s);

  bool ShutdownNormal();
  bool ShutdownForced();
  // The script without its surrounding white space run through the command
  // interpreter; -1 (nothing run) when nothing is left of it.
  int RunShutdownScript(const std::string& text);

  // The records, counters and model state, for the program and its tests.
  core::CState currentState{};
  core::CState lastNotifiedState{};
  core::CState lastEventState{};
  core::CState lineSample{};
  core::CState lastLineSample{};
  int filterCount = 0;
  int cableQuestion = 0;  // 0 not asked; 1 asked, the user chose to stop; 2 asked and declined
  bool linesLost = false;  // the last tick could not read the lines (or the USB UPS)
  bool forceNotify = true;
  int64_t lastReception = 0;
  int64_t lastRepeat = 0;

  bool onMains = true;
  bool onBattery = false;
  int64_t dischargeStart = 0;
  int64_t rechargeStart = 0;
  int32_t rechargeLeft = 0;
  std::optional<int32_t> upsRuntime;  // the USB UPS's last runtime estimate, seconds
  int64_t upsRuntimeAt = 0;           // when it was read (Now())
  bool upsCritical = false;           // its last reading said critical, filtered or not yet
  int autonomyCountdown = 0;    // monitor ticks; 0 idle
  int lowBatteryCountdown = 0;  // monitor ticks; 0 idle
  bool shutdownAllowed = false;

 private:
  void Publish();
  // Tells the host when the lines stop or start again being readable.
  void NoteLineReading(bool readable);

  const CAplConfig& config_;
  CMonitorHost& host_;
  struct Published {
    std::mutex lock;
    core::CState state{};
  };
  std::shared_ptr<Published> published_ = std::make_shared<Published>();
};
