// The autonomy worker: the daemon's child process. On a station wired to the
// UPS it estimates the remaining autonomy from the time spent on battery and
// recharging (or follows a USB UPS's own runtime estimate, which the line
// monitor publishes) and raises `autonomy_end` when the prediction runs out; on a
// receiver it shows the server's figures. Either way it writes the remaining
// time to the console while the mains are out.
//
// The figures change once a second, so between passes the worker sleeps
// until the next whole second of the monotonic clock, or until the main
// process wakes it with SIGCONT (a change of the UPS flags, a stop).
#include <csignal>
#include <ctime>
#include <string>
#include <unistd.h>

#include "autonomy.h"
#include "config_file.h"
#include "linuxbase/monotonic_clock.h"
#include "log_file.h"
#include "roles.h"
#include "shared_block.h"
#include "signals.h"
#include "worker_wake.h"

namespace {

constexpr const char* kLabel = "Controle Da Autonomia";
// Seconds between console texts while the figure keeps changing.
constexpr time_t kTextInterval = 29;
// Seconds of a UPS's own runtime estimate kept for the shutdown itself: the
// autonomy ends when the estimate falls to this.

void Lock() { LockBlock(kLabel); }
void Unlock() { UnlockBlock(kLabel); }

bool Running() { return BlockRunning(); }

// The end of the autonomy as the worker sees it (lock held). The line
// monitor may be waiting for a line change: a flag that moves wakes it, so
// that it broadcasts and diagnoses at once.
void SetAutonomyEnd(bool end) {
  if (ReadUpsState().autonomy_end == end) return;
  WriteAutonomyEnd(end);
  WakeLineMonitor();
}

// Ends every loop once a shutdown or a "stop" has begun (lock held).
bool StopRequested() {
  if (!BlockStopRequested()) return false;
  BlockSetRunning(false);
  return true;
}

// The lock taken for one more pass of a loop; false, with the lock left
// free, once a stop has begun.
bool LockUnlessStopping() {
  Lock();
  if (!StopRequested()) return true;
  Unlock();
  return false;
}

// SIGCONT stays blocked in the worker and is taken only by the waits below:
// a wake-up sent while the worker is busy is kept pending and ends its next
// wait at once, instead of being lost.
sigset_t WakeSignal() {
  sigset_t set;
  sigemptyset(&set);
  sigaddset(&set, SIGCONT);
  return set;
}

void BlockWakeSignal() {
  sigset_t set = WakeSignal();
  sigprocmask(SIG_BLOCK, &set, nullptr);
}

// Waits at most `timeout` for a wake-up. True when one came; false when the
// time ran out or a termination signal ran its handler.
bool WaitForWake(const struct timespec& timeout) {
  sigset_t set = WakeSignal();
  return sigtimedwait(&set, nullptr, &timeout) == SIGCONT;
}

// Forgets a wake-up meant for a phase that has already ended.
void DropPendingWake() {
  const struct timespec none = {0, 0};
  while (WaitForWake(none)) {
  }
}

// Sleeps until the next whole second of the monotonic clock, when the
// figures next change, or until woken.
void SleepToNextSecond() {
  struct timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  struct timespec left = {0, 1000000000L - now.tv_nsec};
  WaitForWake(left);
}

// Sleeps until VigilDiag (mains failure, stop) or the stop sequence wakes
// it. Entered with the lock held; returns without it. Each of them repeats
// its wake-up until the worker has acted on it (VigilDiag at every pass
// while the worker is paused, the stop sequence every 10 ms until the
// worker has ended), and a termination signal ends the wait as well: so
// the daemon's end is looked for only once a minute besides, which keeps a
// station idle on mains from waking for nothing.
void PauseUntilWoken() {
  DropPendingWake();
  BlockSetWorkerPaused(true);
  Unlock();
  const struct timespec minute = {60, 0};
  while (Running() && !WaitForWake(minute)) {
  }
  Lock();
  BlockSetWorkerPaused(false);
  Unlock();
}

// The console's countdown lines: the first at once, then one whenever more
// than 29 seconds have passed and the text has changed.
struct Countdown {
  std::string last_text;
  bool first = true;
  time_t last_time = 0;
};

void RestartCountdown(Countdown* c) {
  c->last_text.clear();
  c->first = true;
  c->last_time = linuxbase::MonotonicSeconds();
}

// A console line about to be written: chosen with the lock held, written
// after it is given back, so that a slow console never holds the other
// process up.
struct ConsoleLine {
  std::string text;  // empty: nothing to write
  char name[kNameMax + 1] = "";
};

// The text due now for `left` seconds, if any (lock held).
ConsoleLine CountdownLine(Countdown* c, int left) {
  ConsoleLine line;
  time_t now = linuxbase::MonotonicSeconds();
  if (!c->first && now - c->last_time <= kTextInterval) return line;
  std::string text = AutonomyText(left);
  if (text == c->last_text) return line;
  c->last_text = text;
  c->last_time = now;
  c->first = false;
  line.text = text;
  BlockDisplayName(line.name);
  return line;
}

void Write(const ConsoleLine& line) {
  if (!line.text.empty()) Printc(line.name, line.text.c_str());
}

// The local estimate, seconds.
struct Estimate {
  int total;     // a full battery
  int recharge;  // a full recharge from empty
  int base;      // available when the current discharge began
  int left;      // remaining now
};

void Publish(const Estimate& e, int discharge_elapsed) {
  core::UpsState figures;
  figures.autonomy_nominal_s = e.total;
  figures.autonomy_full_s = e.base;
  figures.autonomy_left_s = e.left;
  figures.time_on_battery_s = discharge_elapsed;
  WriteAutonomyFigures(figures);
}

// Consumes the autonomy one second per second on battery. Returns true when
// the mains came back (a recharge follows).
bool Discharge(Estimate* e) {
  const time_t start = linuxbase::MonotonicSeconds();
  Countdown countdown;
  RestartCountdown(&countdown);
  for (;;) {
    Lock();
    if (!Running() || BlockRuntimeFromUps()) {
      Unlock();
      return false;
    }
    ConsoleLine line;
    int elapsed = static_cast<int>(linuxbase::MonotonicSeconds() - start);
    const core::UpsState ups = ReadUpsState();
    if (!ups.autonomy_end && !ups.battery_critical && ups.mains_failure && e->base - elapsed > 0) {
      line = CountdownLine(&countdown, e->left);
      e->left = e->base - elapsed;
      Publish(*e, elapsed);
      SetAutonomyEnd(false);
    } else if (ups.mains_failure && !ups.battery_critical) {
      // A critical battery freezes the estimate: the battery warning rules.
      SetAutonomyEnd(true);
    }
    bool stop = StopRequested();
    bool mains_back = !ups.mains_failure;
    Unlock();
    Write(line);
    if (stop) return false;
    if (mains_back) return true;
    SleepToNextSecond();
  }
}

// Restores the autonomy linearly until full, or until the mains fail again.
void Recharge(Estimate* e) {
  const time_t start = linuxbase::MonotonicSeconds();
  const int start_left = e->left;
  for (;;) {
    Lock();
    if (BlockRuntimeFromUps()) {
      Unlock();
      return;
    }
    int elapsed = static_cast<int>(linuxbase::MonotonicSeconds() - start);
    e->left = RechargeEstimate(start_left, elapsed, e->recharge, e->total);
    // During a recharge the estimate is also what a discharge would start from.
    Publish({e->total, e->recharge, e->left, e->left}, 0);
    SetAutonomyEnd(false);
    if (e->left >= e->total) {
      e->base = e->left = e->total;
      Publish(*e, 0);
      Unlock();
      return;
    }
    // A termination signal clears only `running`; a recharge of hours must
    // not hold the stop up.
    if (StopRequested() || !Running() || ReadUpsState().mains_failure) {
      Unlock();
      return;
    }
    Unlock();
    SleepToNextSecond();
  }
}

// One discharge with the UPS's own estimate: the line monitor publishes it
// as the autonomy left; here the time on battery is counted and the end
// raised once the estimate falls to the reserve. While the UPS cannot be
// read its last estimate runs down one second per second, as the linear
// model's would. Returns when the mains come back or the daemon stops.
void FollowOneDischarge(Countdown* countdown) {
  RestartCountdown(countdown);
  const time_t start = linuxbase::MonotonicSeconds();
  int full = -1;
  time_t lost_at = 0;
  int left_at_loss = 0;
  while (Running()) {
    Lock();
    const core::UpsState ups = ReadUpsState();
    time_t now = linuxbase::MonotonicSeconds();
    int left = ups.autonomy_left_s.value_or(0);
    if (!ups.signal_fault) {
      lost_at = 0;
    } else if (lost_at == 0) {
      lost_at = now;
      left_at_loss = left;
    } else {
      left = left_at_loss - static_cast<int>(now - lost_at);
    }
    if (full < 0) full = left;
    ConsoleLine line;
    if (ups.mains_failure) {
      core::UpsState figures;
      figures.autonomy_full_s = full;
      figures.time_on_battery_s = static_cast<int32_t>(now - start);
      if (ups.signal_fault) figures.autonomy_left_s = left;
      WriteAutonomyFigures(figures);
      // A critical battery rules, as with the linear model.
      if (!ups.battery_critical && left <= core::kUpsRuntimeReserveS)
        SetAutonomyEnd(true);
      else if (!ups.battery_critical && !ups.autonomy_end)
        line = CountdownLine(countdown, left);
    }
    bool stop = StopRequested();
    bool mains_back = !ups.mains_failure;
    Unlock();
    Write(line);
    if (stop || mains_back) return;
    SleepToNextSecond();
  }
}

// With a UPS that estimates its own runtime, for the rest of the run.
void FollowUpsEstimate() {
  Countdown countdown;
  while (Running()) {
    if (!LockUnlessStopping()) return;
    const core::UpsState ups = ReadUpsState();
    if (!ups.mains_failure) {
      core::UpsState figures;
      figures.autonomy_full_s = ups.autonomy_left_s;
      figures.time_on_battery_s = 0;
      WriteAutonomyFigures(figures);
      SetAutonomyEnd(false);
      PauseUntilWoken();
    } else {
      Unlock();
    }
    FollowOneDischarge(&countdown);
  }
}

// On a station wired to the UPS. The estimate starts from a full battery.
void LocalEstimator() {
  Estimate e;
  e.total = config.autonomy_min * 60;
  e.recharge = config.recharge_h * 3600;
  e.base = e.left = e.total;
  Lock();
  bool follow_ups = BlockRuntimeFromUps();
  if (!follow_ups) Publish(e, 0);
  Unlock();
  if (follow_ups) return FollowUpsEstimate();
  while (Running()) {
    if (!LockUnlessStopping()) return;
    if (BlockRuntimeFromUps()) {
      Unlock();
      return FollowUpsEstimate();
    }
    bool recharging = false;
    bool on_mains = !ReadUpsState().mains_failure;
    if (on_mains && e.left < e.total) {
      Unlock();
      recharging = true;
    } else if (on_mains) {
      PauseUntilWoken();  // battery full, mains present
    } else {
      Unlock();
    }
    if (!recharging) recharging = Discharge(&e);
    if (recharging && Running()) Recharge(&e);
    if (!Running()) return;
    e.base = e.left;
    Lock();
    if (!BlockRuntimeFromUps()) Publish(e, 0);
    Unlock();
  }
}

// On a receiver: the server's remaining autonomy on the console while it
// reports a mains failure.
void RemoteDisplay() {
  Countdown countdown;
  while (Running()) {
    if (!LockUnlessStopping()) return;
    if (!ReadUpsState().mains_failure)
      PauseUntilWoken();
    else
      Unlock();
    RestartCountdown(&countdown);
    while (Running()) {
      Lock();
      ConsoleLine line;
      const core::UpsState ups = ReadUpsState();
      // Signed on the wire: a prediction below zero shows nothing.
      int left = ups.autonomy_left_s.value_or(0);
      if (!ups.autonomy_end && !ups.battery_critical && ups.mains_failure && left > 0)
        line = CountdownLine(&countdown, left);
      bool stop = StopRequested();
      bool mains_back = !ups.mains_failure;
      Unlock();
      Write(line);
      if (stop) return;
      if (mains_back) break;
      SleepToNextSecond();
    }
  }
}

// Waits until the main process's role is set up, or until the daemon is
// stopped before that.
bool WaitForStartGate() {
  for (;;) {
    Lock();
    bool open = BlockStartGateOpen();
    Unlock();
    if (open) return true;
    if (!Running()) return false;
    sleep(1);
  }
}

}  // namespace

int RunAutonomyWorker() {
  BlockWakeSignal();
  if (!WaitForStartGate()) return 0;
  InstallResumeHandler();
  Lock();
  BlockSetWorkerPaused(false);
  Unlock();
  if (config.local_ups == 1) {
    LocalEstimator();
  } else if (config.lan_receive == 1) {
    RemoteDisplay();
  }
  return 0;
}
