// The queue of trap ids waiting for the SNMP service: a ring of 32. Not
// locked itself: the agent uses it under its one lock (agent_state.h).
#pragma once

#include <cstdint>

class CTrapQueue {
 public:
  static constexpr int32_t kCapacity = 32;

  void Clear() { head_ = tail_ = count_ = 0; }
  // False, and the id dropped, when 32 ids are waiting.
  bool Push(int32_t id);
  // The id at the head, left in place; false when empty.
  bool Peek(int32_t* id) const;
  // Removes the id at the head; false when empty.
  bool Pop();
  int32_t Count() const { return count_; }

 private:
  int32_t ids_[kCapacity] = {};
  int32_t head_ = 0;
  int32_t tail_ = 0;
  int32_t count_ = 0;
};
