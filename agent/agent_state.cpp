#include "agent/agent_state.h"

// The variable table holds the addresses of its members; the application
// object's constructor only keeps a reference to it, so the order in which
// the two are made does not matter.
AgentState theAgentState;

bool AgentState::RaiseTrap(int32_t id) {
  platform::Event* event = nullptr;
  {
    std::lock_guard<std::mutex> hold(lock);
    if (!queue.Push(id)) return false;
    event = trapEvent;
  }
  platform::SetEvent(event);
  return true;
}

void AgentState::ClearCounters() {
  std::lock_guard<std::mutex> hold(lock);
  changeCycles = 0;
  dsrChanges = 0;
  ctsChanges = 0;
  riChanges = 0;
}
