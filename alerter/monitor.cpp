#include "alerter/monitor.h"

#include <algorithm>

#include <cstring>

#include "alerter/battery_state.h"
#include "alerter/texts.h"
#include "alerter/user_messages.h"
#include "core/event_kind_table.h"
#include "core/record_state.h"

using core::Event;
using core::FileCode;

using core::CState;
using core::ClearAlarms;
using core::CopyAlarms;
using core::CopyState;
using core::SameAlarms;

void CUpsMonitor::Reset() {
  std::memset(&currentState, 0, sizeof currentState);
  currentState.nominalAutonomy = config_.autonomiaNominal;
  currentState.fullAutonomy = config_.autonomiaNominal;
  currentState.remainingAutonomy = config_.autonomiaNominal;
  int64_t now = host_.Now();
  lastRepeat = now;
  lastReception = now;
  Publish();
}

CState CUpsMonitor::Snapshot() const {
  std::lock_guard<std::mutex> hold(published_->lock);
  return published_->state;
}

std::function<CState()> CUpsMonitor::SnapshotSource() const {
  return [published = published_] {
    std::lock_guard<std::mutex> hold(published->lock);
    return published->state;
  };
}

void CUpsMonitor::Publish() {
  std::lock_guard<std::mutex> hold(published_->lock);
  published_->state = currentState;
}

bool CUpsMonitor::SampleLines(CState& record) {
  // A failed read (negative) says nothing about the power: a pulled adapter
  // is no mains return in the middle of a discharge, nor a failure. The
  // record keeps the last reading, and the filter with it.
  int32_t dsr = host_.ReadDsr();
  int32_t cts = host_.ReadCts();
  int32_t ring = host_.ReadRing();
  if (dsr < 0 || cts < 0 || ring < 0) return false;
  record.powerFailure = dsr == 0 ? 1 : 0;
  record.batteryCritical = cts == 0 ? 1 : 0;
  if (config_.tipoBypass == 0) {
    record.bypass = ring == 0 ? 1 : 0;
  } else {
    record.bypass = ring == 1 ? 1 : 0;
  }
  if (record.powerFailure == 1 && record.batteryCritical == 1 && record.bypass == 1) {
    if (config_.tipoCabo == 0) {
      ClearAlarms(record);
      record.signalFault = 1;
    } else {
      if (cableQuestion == 0 && !host_.ServiceMode()) {
        cableQuestion = 1;
        if (host_.AskUser(kQuestionStyle, texts::kCableQuestion) == platform::kIdYes) {
          host_.PostQuitRequest();
        } else {
          cableQuestion = 2;
        }
      }
      record.powerFailure = 0;
      record.batteryCritical = 0;
      record.bypass = 0;
      record.signalFault = 1;
    }
  }
  if (cableQuestion == 1) ClearAlarms(record);
  if (config_.tipoCabo == 0) record.bypass = 0;
  return true;
}

bool CUpsMonitor::SampleBattery(CState& record) {
  // No battery answering is the lines' failed read again: communication
  // lost, told once, the last reading kept with the filter and the
  // autonomy count, so that an end of autonomy still shuts down.
  std::optional<platform::UpsBatteryReading> reading = host_.ReadUpsBattery();
  NoteLineReading(reading.has_value());
  if (!reading) {
    host_.PublishUpsFigures(std::nullopt);
    return false;
  }
  core::UpsState state = UpsStateOfBattery(reading);
  host_.PublishUpsFigures(state);
  upsCritical = state.battery_critical;
  if (state.runtime_s) {
    upsRuntime = std::max(0, *state.runtime_s);
    upsRuntimeAt = host_.Now();
  }
  core::PutAlarmsInRecord(state, &record);
  return true;
}

void CUpsMonitor::NoteLineReading(bool readable) {
  if (readable == !linesLost) return;
  linesLost = !readable;
  host_.ReportLineReading(readable);
}

void CUpsMonitor::OnMonitorTimer() {
  RunCountdowns();
  int64_t now = host_.Now();
  bool runModel = false;
  if (config_.comMode == 1) {
    // Without the filter the reading goes to the status directly. The USB
    // UPS is read at the pace of the lines, every tick ("Interval", 1 s by
    // default): a reading is a handful of queries to the battery driver,
    // and the filter counts the same ticks, so "Signal Filter" means the
    // same delay for both.
    CState& sample = config_.signalFilter == 0 ? currentState : lineSample;
    bool readable = false;
    if (WatchesUsbUps()) {
      readable = SampleBattery(sample);  // tells a loss itself
    } else {
      readable = SampleLines(sample);
      NoteLineReading(readable);
    }
    if (readable && config_.signalFilter != 0) {
      if (SameAlarms(lineSample, lastLineSample)) {
        if (filterCount >= config_.signalFilter) {
          CopyAlarms(currentState, lineSample);
        } else {
          ++filterCount;
        }
      } else {
        filterCount = 0;
      }
      CopyAlarms(lastLineSample, lineSample);
    }
    runModel = true;
  } else if (config_.netMode != 0 && config_.autonomiaServer == 0) {
    runModel = true;
  }

  if (runModel) {
    UpdateAutonomy(currentState);
    if (forceNotify || !SameAlarms(currentState, lastNotifiedState)) {
      CopyState(lastNotifiedState, currentState);
      forceNotify = false;
      host_.NotifyNetwork(currentState);
      ProcessStateChange(currentState);
    } else if (config_.broadcastDelay != 0 && now - lastRepeat >= config_.broadcastDelay) {
      lastRepeat = now;
      host_.NotifyNetwork(currentState);
    }
  }

  if (config_.comMode == 2) {
    bool wasLost = lastNotifiedState.serverLost == 1;
    if (now - lastReception >= config_.badServerDelay) {
      currentState.serverLost = 1;
      if (!wasLost) ProcessStateChange(currentState);
    } else {
      currentState.serverLost = 0;
      if (wasLost) ProcessStateChange(currentState);
    }
    CopyState(lastNotifiedState, currentState);
  }
  Publish();
}

void CUpsMonitor::OnReceivedState(const CState& rx) {
  lastReception = host_.Now();
  CopyAlarms(currentState, rx);
  if (config_.netMode != 0 && config_.autonomiaServer != 0) {
    currentState.autonomyEnd = rx.autonomyEnd;
    currentState.nominalAutonomy = rx.nominalAutonomy;
    currentState.fullAutonomy = rx.fullAutonomy;
    currentState.remainingAutonomy = rx.remainingAutonomy;
  }
  currentState.timeOnBattery = rx.timeOnBattery;
  currentState.serverLost = 0;
  currentState.reserved80 = 0;
  if (!SameAlarms(currentState, lastNotifiedState)) {
    CopyState(lastNotifiedState, currentState);
    ProcessStateChange(currentState);
  }
  Publish();
}

void CUpsMonitor::ProcessStateChange(CState& s) {
  CState& p = lastEventState;
  if (s.signalFault == 1) return;
  if (s.serverLost == 1 || p.serverLost == 1) {
    CopyState(p, s);
    return;
  }
  if (s.bypass == 1) {
    host_.LogEvent(FileCode(Event::BypassOn));
    CopyState(p, s);
    return;
  }
  if (p.bypass == 1) {
    host_.LogEvent(FileCode(Event::BypassOff));
    CopyState(p, s);
    return;
  }
  if (s.powerFailure == 0 && (p.powerFailure == 1 || p.batteryCritical == 1)) {
    host_.LogEvent(FileCode(Event::MainsReturn));
    autonomyCountdown = 0;
    lowBatteryCountdown = 0;
    host_.NotifyNetwork(s);
  }
  CopyState(p, s);
  if (s.batteryCritical == 1) {
    host_.LogEvent(FileCode(Event::LowBatteryShutdown));
    host_.NotifyNetwork(s);
    if (config_.lowBatShutdown != 0) lowBatteryCountdown = 3;
  } else if (s.autonomyEnd == 1) {
    host_.NotifyNetwork(s);
    if (config_.timeoutShutdown != 0) autonomyCountdown = 15;
    host_.LogEvent(FileCode(Event::AutonomyEnd));
  } else if (s.powerFailure == 1) {
    host_.NotifyNetwork(s);
    host_.LogEvent(FileCode(Event::MainsFailure));
  }
}
