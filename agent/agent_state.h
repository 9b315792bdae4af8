// What the line poller's thread and the SNMP service's thread share: the
// MIB integers the poller writes (each an atomic 32-bit value, read and
// written whole), and, under the one lock, the change counters' updates,
// the trap queue and the trap event.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>

#include "agent/trap_queue.h"
#include "platform/event.h"

struct AgentState {
  // MIB variables 1 to 5 and 7 to 10.
  std::atomic<int32_t> dsrState{0};        // 1 DSR inactive, 0 active, 2 not available
  std::atomic<int32_t> ctsState{0};        // likewise for CTS
  std::atomic<int32_t> riState{0};         // likewise for RI; 2 also when the cable has no RI
  std::atomic<int32_t> linesAvailable{0};  // 1 the line states are valid
  std::atomic<int32_t> cableType{0};       // "Tipo Cabo" at initialisation
  std::atomic<int32_t> changeCycles{0};    // cycles in which any line changed
  std::atomic<int32_t> dsrChanges{0};
  std::atomic<int32_t> ctsChanges{0};
  std::atomic<int32_t> riChanges{0};

  // Guards the counters' updates, the queue and the configuration reload.
  std::mutex lock;
  CTrapQueue queue;
  platform::Event* trapEvent = nullptr;  // owned by the application object

  // Queues `id` and sets the trap event; false when the queue was full.
  bool RaiseTrap(int32_t id);
  // Variables 7 to 10 back to 0.
  void ClearCounters();
};

// The process's one state, shared by the poller and the SNMP service.
extern AgentState theAgentState;

// Counters are plain 32-bit values that wrap around.
inline void CountUp(std::atomic<int32_t>& counter) {
  counter.store(static_cast<int32_t>(static_cast<uint32_t>(counter.load()) + 1u));
}
