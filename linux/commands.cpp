#include "commands.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <sys/sem.h>
#include <sys/shm.h>
#include <unistd.h>

#include "paths.h"
#include "shared_block.h"

namespace {

using Clock = std::chrono::steady_clock;

// A block is stale when the daemon that created it is gone, or when nobody
// but us has it attached on two looks 100 ms apart (a live daemon removes
// the block right after detaching, far quicker than that).
class StaleBlockWatch {
 public:
  explicit StaleBlockWatch(int id) : id_(id) {}

  bool IsStale() {
    if (Clock::now() < next_look_) return false;
    next_look_ = Clock::now() + std::chrono::milliseconds(100);
    bool abandoned = BlockLooksAbandoned(id_, 1);
    bool stale = abandoned && abandoned_before_;
    abandoned_before_ = abandoned;
    return stale;
  }

 private:
  int id_;
  bool abandoned_before_ = false;
  Clock::time_point next_look_ = Clock::now();
};

// The daemon's main process created the block. It may be waiting for a line
// change and looks at `running` only when that wait ends: a SIGCONT ends it
// at once. Sent again now and then, since one that comes just before the
// wait begins is spent. Harmless to any other process, should the number
// have passed to one.
pid_t BlockCreator(int id) {
  struct shmid_ds info;
  if (shmctl(id, IPC_STAT, &info) != 0) return 0;
  return info.shm_cpid;
}

void RemoveStale(int block_id) {
  shmctl(block_id, IPC_RMID, nullptr);
  int set = semget(kIpcKey, 0, 0);
  if (set >= 0) semctl(set, 0, IPC_RMID);
}

}  // namespace

int CommandVersion() {
  std::printf("Vigil 2.0 - Linux (90412007 rev.: AA)\n");
  return 0;
}

int CommandStop() {
  int id = shmget(kIpcKey, kBlockSize, 0);
  if (id < 0) return 1;
  void* attached = shmat(id, nullptr, 0);
  if (attached == reinterpret_cast<void*>(-1)) return 1;
  auto* block = static_cast<volatile uint8_t*>(attached);
  StaleBlockWatch watch(id);
  pid_t daemon_main = BlockCreator(id);
  int status = 0;
  // The daemon sets running back to 1 at the end of its stop sequence and
  // waits for somebody to clear it again: keep clearing until the block goes.
  for (int round = 0;; ++round) {
    AskToStop(block);
    if (daemon_main > 0 && round % 100 == 0) kill(daemon_main, SIGCONT);
    if (shmget(kIpcKey, kBlockSize, 0) != id) break;
    if (watch.IsStale()) {
      RemoveStale(id);
      status = 1;
      break;
    }
    usleep(1000);
  }
  shmdt(attached);
  return status;
}
