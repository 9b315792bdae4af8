#include "agent/line_poller.h"

#include <algorithm>
#include <system_error>

#include "lineshare/line_tap.h"
#include "platform/debug_output.h"

LineReaders SlaveLineReaders() { return {serialSlaveGetDsr, serialSlaveGetCts, serialSlaveGetRing}; }

CLinePoller::CLinePoller(AgentState& state, std::function<int32_t()> cableType, LineReaders readers,
                         std::chrono::milliseconds period)
    : state_(state), cableType_(std::move(cableType)), readers_(readers), period_(period) {}

CLinePoller::~CLinePoller() { Stop(); }

bool CLinePoller::Start() {
  running_ = true;
  loopLeft_ = false;
  active_ = true;
  if (thread_.joinable()) return true;
  try {
    thread_ = std::thread(&CLinePoller::Run, this);
  } catch (const std::system_error& error) {
    platform::DebugPrintf("agent: no line poller thread: %s\n", error.what());
    active_ = false;
    return false;
  }
  return true;
}

void CLinePoller::Stop() {
  if (!active_) return;
  running_ = false;
  constexpr auto kSlice = std::chrono::milliseconds(10);
  for (auto waited = std::chrono::milliseconds(0); !loopLeft_ && waited < kStopWait; waited += kSlice)
    std::this_thread::sleep_for(kSlice);
  if (thread_.joinable()) {
    if (loopLeft_)
      thread_.join();
    else
      thread_.detach();
  }
  active_ = false;
}

void CLinePoller::Run() {
  // The period is slept in slices, so that Stop is answered at once.
  constexpr auto kSlice = std::chrono::milliseconds(20);
  while (running_) {
    auto slept = std::chrono::milliseconds(0);
    for (; running_ && slept < period_; slept += kSlice) std::this_thread::sleep_for(std::min(kSlice, period_ - slept));
    if (!running_) break;
    Cycle();
  }
  loopLeft_ = true;
}

void CLinePoller::Cycle() {
  int32_t dsr = readers_.dsr();
  int32_t cts = readers_.cts();
  int32_t ring = readers_.ring();
  if (dsr < 0 || cts < 0 || ring < 0) {
    current_ = {};
    previous_ = {};
    state_.dsrState = 2;
    state_.ctsState = 2;
    state_.riState = 2;
    state_.linesAvailable = 0;
    return;
  }
  int32_t cable = cableType_();
  current_.dsr = dsr == 0 ? 1 : 0;
  current_.cts = cts == 0 ? 1 : 0;
  current_.ri = cable == 1 ? (ring == 0 ? 1 : 0) : 2;
  current_.failed = 0;
  state_.linesAvailable = 1;
  state_.dsrState = current_.dsr;
  state_.ctsState = current_.cts;
  state_.riState = current_.ri;

  if (!firstSample_ && !(current_ == previous_)) {
    int32_t traps[3];
    int count = 0;
    {
      // A counter reset never falls between two updates of one cycle.
      std::lock_guard<std::mutex> hold(state_.lock);
      CountUp(state_.changeCycles);
      if (current_.dsr != previous_.dsr) {
        CountUp(state_.dsrChanges);
        traps[count++] = current_.dsr != 0 ? 1 : 2;
      }
      if (current_.cts != previous_.cts) {
        CountUp(state_.ctsChanges);
        if (current_.cts != 0) traps[count++] = 3;
      }
      if (current_.ri != previous_.ri) {
        CountUp(state_.riChanges);
        traps[count++] = current_.ri != 0 ? 4 : 5;
      }
    }
    // In the order DSR, CTS, RI.
    for (int i = 0; i < count; ++i) state_.RaiseTrap(traps[i]);
  }
  previous_ = current_;
  firstSample_ = false;
}
