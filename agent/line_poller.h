// The line poller: a thread that every 500 ms reads the three UPS lines as
// LineTap's master last saw them (the slave reads), keeps the line-state
// variables and change counters up to date and raises a trap for each
// change (1 DSR now inactive, 2 DSR active again, 3 CTS inactive, 4 RI not
// active, 5 RI active). A negative read means no master has a valid
// reading: the states read 2, nothing is raised, and the next good sample
// is compared with all-zero states.
#pragma once

#include <chrono>
#include <atomic>
#include <cstdint>
#include <functional>
#include <thread>

#include "agent/agent_state.h"

// The line reads; LineTap's serialSlaveGet* by default.
struct LineReaders {
  int32_t (*dsr)();
  int32_t (*cts)();
  int32_t (*ring)();
};
LineReaders SlaveLineReaders();

// The four fields compared from one sample to the next.
struct LineStates {
  int32_t cts = 0;
  int32_t dsr = 0;
  int32_t ri = 0;
  int32_t failed = 0;
  bool operator==(const LineStates&) const = default;
};

class CLinePoller {
 public:
  static constexpr std::chrono::milliseconds kPeriod{500};

  // `cableType` gives "Tipo Cabo" at every sample (1: RI carries bypass).
  CLinePoller(AgentState& state, std::function<int32_t()> cableType, LineReaders readers = SlaveLineReaders(),
              std::chrono::milliseconds period = kPeriod);
  ~CLinePoller();
  CLinePoller(const CLinePoller&) = delete;
  CLinePoller& operator=(const CLinePoller&) = delete;

  // Runs the thread (created here on the first Start). False when the
  // thread cannot be created.
  bool Start();
  // Ends the loop and waits until the thread has left it (at once, unless
  // a cycle is under way), then for the thread. A thread that never leaves
  // it within kStopWait was ended with the process (Windows ends the other
  // threads before a library's exit code runs at process exit) and is let go.
  void Stop();
  static constexpr std::chrono::milliseconds kStopWait{1000};
  bool IsActive() const { return active_; }

  // One polling cycle without the sleep (the thread's body).
  void Cycle();

 private:
  void Run();

  AgentState& state_;
  std::function<int32_t()> cableType_;
  LineReaders readers_;
  std::chrono::milliseconds period_;

  LineStates current_;
  LineStates previous_;
  bool firstSample_ = true;

  std::thread thread_;
  bool active_ = false;
  // Plain atomics, no lock or condition: at process exit on Windows the
  // thread is gone, possibly in the middle of a wait, and nothing it held
  // may be needed to stop it.
  std::atomic<bool> running_{false};
  std::atomic<bool> loopLeft_{false};
};
