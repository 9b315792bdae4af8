// The battery model and the automatic shutdown of the UPS monitor.
// Not vigil20's worker: a tick's integer model on CState, ending in a tick countdown.
#include <algorithm>
#include <cctype>
#include <climits>

#include "alerter/monitor.h"
#include "platform/window_messages.h"
#include "core/event_kind_table.h"

using core::Event;
using core::FileCode;

using core::CState;

namespace {

int32_t ToInt32(int64_t value) { return static_cast<int32_t>(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX)); }

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f'; }

// The session-end sequence's waits, in milliseconds.
constexpr uint32_t kAfterQueryEndSession = 10000;
constexpr uint32_t kAfterEndSession = 5000;

}  // namespace

void CUpsMonitor::UpdateAutonomy(CState& s) {
  if (FollowsUpsRuntime()) {
    FollowUpsRuntime(s);
    return;
  }
  const int64_t n = config_.autonomiaNominal;
  const int64_t r = config_.tempoRecarga;
  // Without a positive nominal autonomy and recharge time the model has no
  // rate to recharge at: the recharge counts as complete at once.
  const bool canRecharge = n > 0 && r > 0;
  int64_t now = host_.Now();
  if (s.powerFailure != 0) {
    if (onMains) {
      onMains = false;
      onBattery = true;
      dischargeStart = now;
      s.timeOnBattery = 0;
    } else {
      int64_t elapsed = now - dischargeStart;
      s.timeOnBattery = ToInt32(elapsed);
      s.remainingAutonomy = ToInt32(s.fullAutonomy - elapsed);
      if (s.remainingAutonomy <= 0) s.autonomyEnd = 1;
    }
    return;
  }
  if (onBattery) {
    onMains = true;
    onBattery = false;
    rechargeStart = now;
    s.timeOnBattery = 0;
    s.autonomyEnd = 0;
    if (!canRecharge) {
      s.fullAutonomy = s.remainingAutonomy = ToInt32(n);
      rechargeLeft = 0;
      return;
    }
    s.fullAutonomy = s.remainingAutonomy;
    // 64-bit: a long discharge leaves a large negative remainder.
    rechargeLeft = ToInt32(std::min((n - s.remainingAutonomy) * r / n, r));
    return;
  }
  if (rechargeLeft > 0 && canRecharge) {
    int64_t left = std::max<int64_t>(rechargeLeft - (now - rechargeStart), 0);
    int32_t autonomy = ToInt32((r - left) * n / r);
    s.remainingAutonomy = s.fullAutonomy = autonomy;
    if (left == 0) rechargeLeft = 0;
  }
}

// The estimate is the autonomy left; while the UPS is not heard on battery
// it runs down one second per second from its last reading. The end comes
// a minute before it runs out, unless a critical battery came first, even
// one still passing the signal filter: its forced shutdown rules.
void CUpsMonitor::FollowUpsRuntime(CState& s) {
  int64_t now = host_.Now();
  if (s.powerFailure != 0) {
    int32_t left = ToInt32(*upsRuntime - (now - upsRuntimeAt));
    if (onMains) {
      onMains = false;
      onBattery = true;
      dischargeStart = now;
      s.fullAutonomy = left;
    }
    s.timeOnBattery = ToInt32(now - dischargeStart);
    s.remainingAutonomy = left;
    if (left <= core::kUpsRuntimeReserveS && s.batteryCritical == 0 && !upsCritical) s.autonomyEnd = 1;
    return;
  }
  if (onBattery) {
    onMains = true;
    onBattery = false;
    s.autonomyEnd = 0;
  }
  // On mains the UPS's estimate is what a discharge starting now would give.
  rechargeLeft = 0;
  s.timeOnBattery = 0;
  s.remainingAutonomy = s.fullAutonomy = *upsRuntime;
}

void CUpsMonitor::RunCountdowns() {
  if (autonomyCountdown > 0 && --autonomyCountdown == 0 && config_.timeoutShutdown != 0 && config_.desligar != 0) {
    host_.LogEvent(FileCode(Event::ShutdownAccepted));
    if (config_.runLtScript != 0) RunShutdownScript(config_.ltScript);
    if (ShutdownNormal()) {
      host_.PostQuitRequest();
    } else {
      host_.LogEvent(FileCode(Event::ShutdownCancelled));
    }
  }
  if (lowBatteryCountdown > 0 && --lowBatteryCountdown == 0 && config_.desligar != 0) {
    host_.LogEvent(FileCode(Event::ShutdownForced));
    if (config_.runLtScript != 0) RunShutdownScript(config_.ltScript);
    if (ShutdownForced()) {
      host_.PostQuitRequest();
    } else {
      host_.LogEvent(FileCode(Event::ShutdownFailed));
    }
  }
}

int CUpsMonitor::RunShutdownScript(const std::string& text) {
  size_t first = 0;
  while (first < text.size() && IsBlank(text[first])) ++first;
  size_t last = text.size();
  while (last > first && IsBlank(text[last - 1])) --last;
  if (first == last) return -1;
  return host_.RunCommand(text.substr(first, last - first).c_str());
}

bool CUpsMonitor::ShutdownNormal() {
  if (!shutdownAllowed) return false;
  return host_.RequestShutdown(false);
}

bool CUpsMonitor::ShutdownForced() {
  if (!shutdownAllowed) return false;
  host_.PostToAllWindows(platform::kWmQueryEndSession, 1, 0);
  host_.Wait(kAfterQueryEndSession);
  host_.PostToAllWindows(platform::kWmEndSession, 1, 0);
  host_.Wait(kAfterEndSession);
  return host_.RequestShutdown(true);
}
