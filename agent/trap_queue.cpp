#include "agent/trap_queue.h"

bool CTrapQueue::Push(int32_t id) {
  if (count_ >= kCapacity) return false;
  ids_[tail_] = id;
  tail_ = (tail_ + 1) % kCapacity;
  ++count_;
  return true;
}

bool CTrapQueue::Peek(int32_t* id) const {
  if (count_ == 0) return false;
  *id = ids_[head_];
  return true;
}

bool CTrapQueue::Pop() {
  if (count_ == 0) return false;
  head_ = (head_ + 1) % kCapacity;
  --count_;
  return true;
}
