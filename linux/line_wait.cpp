#include "line_wait.h"

#include <cerrno>
#include <csignal>
#include <poll.h>
#include <unistd.h>

#include "linuxbase/monotonic_clock.h"
#include "shared_block.h"

namespace {

// The timer that bounds the waits: one per process, made once, deleted at
// exit.
struct BoundTimer {
  timer_t id;
  bool made = false;
  ~BoundTimer() {
    if (made) timer_delete(id);
  }
} bound;
// 1 from the moment a wait arms its timer until its blocking call is over.
volatile sig_atomic_t waiting = 0;
// A wake-up arrived since the pass began.
volatile sig_atomic_t woken = 0;

constexpr long kMillisecond = 1000000L;

void OnTimer(int) {}
void OnWake(int) { InterruptLineWait(); }

bool Install(int signal_number, void (*handler)(int)) {
  struct sigaction action = {};
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;  // no SA_RESTART: the blocking call must end
  return sigaction(signal_number, &action, nullptr) == 0;
}

// Fires at `when`, then every millisecond until disarmed: a firing that
// comes before the blocking call has begun is followed by one that ends it.
bool Arm(const struct timespec& when, int flags) {
  struct itimerspec period = {{0, kMillisecond}, when};
  return timer_settime(bound.id, flags, &period, nullptr) == 0;
}

// A timer left firing would only wake the process: the sleeps restart.
void Disarm() {
  struct itimerspec off = {};
  (void)timer_settime(bound.id, 0, &off, nullptr);
}

}  // namespace

bool PrepareLineWaits() {
  if (bound.made) return true;
  if (!Install(SIGALRM, OnTimer) || !Install(SIGCONT, OnWake)) return false;
  struct sigevent event = {};
  event.sigev_notify = SIGEV_SIGNAL;
  event.sigev_signo = SIGALRM;
  bound.made = timer_create(CLOCK_MONOTONIC, &event, &bound.id) == 0;
  return bound.made;
}

void BeginLinePass() { woken = 0; }

void InterruptLineWait() {
  woken = 1;
  // timer_settime is async-signal-safe. The blocking call ends within a
  // millisecond, even when it has not begun yet.
  if (waiting && bound.made) (void)Arm({0, 1}, 0);
}

namespace {

// Runs `block` (the blocking call: > 0 when what it waits on came, < 0
// when it was refused, 0 when the timer or a wake-up ended it) under the
// timer armed at the monotonic `due`, unless a wake-up or a stop came
// first. Never a wait without its bound: it could outlast a stop, the
// watchdog and the LAN's resends.
template <typename Block>
LineWaitEnd BoundedWait(const struct timespec& due, Block block) {
  waiting = 1;
  if (!Arm(due, TIMER_ABSTIME)) {
    waiting = 0;
    return LineWaitEnd::kNoTimer;
  }
  int waited = 0;
  if (!woken && BlockRunning()) waited = block();
  waiting = 0;
  Disarm();
  if (waited > 0) return LineWaitEnd::kChanged;
  if (waited < 0) return LineWaitEnd::kRefused;
  return LineWaitEnd::kInterrupted;
}

}  // namespace

LineWaitEnd WaitForLineChange(ModemLines* lines, time_t due) {
  if (!bound.made || linuxbase::MonotonicSeconds() >= due) return LineWaitEnd::kInterrupted;
  return BoundedWait({due, 0}, [lines] {
    if (ModemDeviceOpen(*lines) || lines->sim_path) return WaitOnModemLines(lines);
    pause();  // no device to wait on: the timer or a wake-up ends it
    return 0;
  });
}

LineWaitEnd WaitForHidReport(int fd, int64_t due_ms) {
  if (!bound.made || linuxbase::MonotonicMs() >= due_ms) return LineWaitEnd::kInterrupted;
  const struct timespec due = {static_cast<time_t>(due_ms / 1000), static_cast<long>(due_ms % 1000) * kMillisecond};
  return BoundedWait(due, [fd] {
    if (fd < 0) {
      pause();  // unplugged: the timer or a wake-up ends it
      return 0;
    }
    // No timeout of its own: the timer's signal ends it (EINTR), as it
    // ends every other wait.
    struct pollfd watched = {fd, POLLIN, 0};
    return poll(&watched, 1, -1) > 0 ? 1 : 0;
  });
}

void SleepOnePeriod(long us) {
  struct timespec end;
  clock_gettime(CLOCK_MONOTONIC, &end);
  end.tv_sec += us / 1000000L;
  end.tv_nsec += (us % 1000000L) * 1000L;
  if (end.tv_nsec >= 1000000000L) {
    end.tv_sec += 1;
    end.tv_nsec -= 1000000000L;
  }
  while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &end, nullptr) == EINTR && BlockRunning()) {
  }
}
