#include "shared_block.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <sys/sem.h>
#include <sys/shm.h>
#include <unistd.h>

#include "paths.h"

volatile uint8_t* shmem = nullptr;
int shmemid = -1;
int shsemid = -1;
int shsemarg = 1;

namespace {

int SemValue(int set) { return semctl(set, 0, GETVAL); }

// SEM_UNDO: a process that dies holding the lock gives it back, so the other
// role is never left waiting forever.
int SemOp(int set, short delta) {
  struct sembuf op = {0, delta, SEM_UNDO};
  int r;
  // semop is never restarted after a signal handler; a SIGCONT or a SIGTERM
  // must not make a caller believe it holds the lock.
  do {
    r = semop(set, &op, 1);
  } while (r < 0 && errno == EINTR);
  return r;
}

// `format` takes the label and the semaphore's value; the system error text
// follows it.
void ReportSemError(const char* format, const char* label, int set) {
  int saved = errno;
  std::printf(format, label, SemValue(set));
  std::fflush(stdout);
  errno = saved;
  std::perror(nullptr);
}

}  // namespace

int SemWait(int set, const char* label) {
  int r = SemOp(set, -1);
  if (r < 0) ReportSemError("%s -1 ERROR = %d ", label, set);
  return r;
}

int SemPost(int set, const char* label) {
  int value = SemValue(set);
  if (value != 0) return value;
  int r = SemOp(set, +1);
  if (r < 0) ReportSemError("%s +1 ERROR = %d\n", label, set);
  return r < 0 ? r : 0;
}

int BlockGet16(int offset) { return (shmem[offset] << 8) | shmem[offset + 1]; }

void BlockPut16(int offset, int value) {
  shmem[offset] = static_cast<uint8_t>((value >> 8) & 0xFF);
  shmem[offset + 1] = static_cast<uint8_t>(value & 0xFF);
}

void BlockSetName(const char* name, int length) {
  if (length > kNameMax) length = kNameMax;
  if (length < 0) length = 0;
  for (int i = 0; i < kBlockSize - kName; ++i) shmem[kName + i] = 0;
  for (int i = 0; i < length; ++i) shmem[kName + i] = static_cast<uint8_t>(name[i]);
  shmem[kNameLen] = static_cast<uint8_t>(length);
}

void BlockDisplayName(char name[kNameMax + 1]) {
  for (int i = 0; i < kNameMax; ++i) {
    uint8_t c = shmem[kName + i];
    name[i] = (c != 0 && (c < 0x20 || c == 0x7F)) ? '?' : static_cast<char>(c);
  }
  name[kNameMax] = '\0';
}

UpsFlags BlockFlags() {
  UpsFlags f;
  for (int i = 0; i < kFlagCount; ++i) f.flag[i] = shmem[kPowerFail + i];
  return f;
}

bool BlockLooksAbandoned(int id, unsigned own_attachments) {
  struct shmid_ds info;
  if (shmctl(id, IPC_STAT, &info) != 0) return false;
  bool creator_gone = info.shm_cpid > 0 && kill(info.shm_cpid, 0) != 0 && errno == ESRCH;
  return creator_gone || info.shm_nattch <= own_attachments;
}

namespace {

// Only root runs the daemon and "stop"; nobody else may attach the block.
constexpr int kIpcMode = 0600;

// The block of a daemon that died (a crash, SIGKILL) would refuse every later
// start until somebody ran "stop"; it is removed, by the rule "stop" uses.
void RemoveAbandonedBlock() {
  int id = shmget(kIpcKey, kBlockSize, 0);
  if (id < 0 || !BlockLooksAbandoned(id, 0)) return;
  usleep(100000);
  if (BlockLooksAbandoned(id, 0)) shmctl(id, IPC_RMID, nullptr);
}

int CreateBlock() {
  int id = shmget(kIpcKey, kBlockSize, IPC_CREAT | IPC_EXCL | kIpcMode);
  if (id >= 0 || errno != EEXIST) return id;
  RemoveAbandonedBlock();
  return shmget(kIpcKey, kBlockSize, IPC_CREAT | IPC_EXCL | kIpcMode);
}

// Called holding the new block: a live daemon always has its block, so a set
// found now is left from a daemon that died.
int CreateSemaphoreSet() {
  int id = semget(kIpcKey, 1, IPC_CREAT | IPC_EXCL | kIpcMode);
  if (id >= 0 || errno != EEXIST) return id;
  int stale = semget(kIpcKey, 0, 0);
  if (stale >= 0) semctl(stale, 0, IPC_RMID);
  return semget(kIpcKey, 1, IPC_CREAT | IPC_EXCL | kIpcMode);
}

}  // namespace

bool CreateIpcObjects() {
  shmemid = CreateBlock();
  if (shmemid < 0) return false;
  void* attached = shmat(shmemid, nullptr, 0);
  if (attached == reinterpret_cast<void*>(-1)) {
    shmctl(shmemid, IPC_RMID, nullptr);
    return false;
  }
  shsemid = CreateSemaphoreSet();
  if (shsemid < 0 || semctl(shsemid, 0, SETVAL, shsemarg) < 0) {
    if (shsemid >= 0) semctl(shsemid, 0, IPC_RMID);
    shmdt(attached);
    shmctl(shmemid, IPC_RMID, nullptr);
    return false;
  }
  // Filled before it is published: the signal handler writes through shmem.
  auto* block = static_cast<volatile uint8_t*>(attached);
  block[kReserved] = 0;
  block[kStartGate] = 1;
  block[kRunning] = 1;
  block[kStopRequest] = 0;
  for (int i = 0; i < kFlagCount; ++i) block[kPowerFail + i] = 0;
  block[kWorkerPaused] = 0;
  shmem = block;
  return true;
}

bool RemoveIpcObjects() {
  volatile uint8_t* block = shmem;
  shmem = nullptr;  // before the detach, so that no handler writes into a gone mapping
  bool ok = shmdt(const_cast<uint8_t*>(block)) == 0;
  ok = shmctl(shmemid, IPC_RMID, nullptr) == 0 && ok;
  ok = semctl(shsemid, 0, IPC_RMID) == 0 && ok;
  return ok;
}
