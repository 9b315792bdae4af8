#include "shared_block.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <sys/sem.h>
#include <sys/shm.h>
#include <unistd.h>

#include "paths.h"

namespace {

// The process's one attachment, its block's and its semaphore set's
// identifiers: file-wide because a signal handler reaches the block, and
// both roles and the stop sequence share the one lock. Volatile: the other
// process and the handlers write the bytes behind the compiler's back.
volatile uint8_t* shmem = nullptr;
int shmemid = -1;
int shsemid = -1;

// The semaphore starts free: a two-state lock.
constexpr int kSemInitial = 1;

}  // namespace

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

int LockBlock(const char* label) { return SemWait(shsemid, label); }
int UnlockBlock(const char* label) { return SemPost(shsemid, label); }

void UseBlock(volatile uint8_t* block) { shmem = block; }

bool BlockRunning() { return shmem[kRunning] == 1; }
void BlockSetRunning(bool running) { shmem[kRunning] = running ? 1 : 0; }
bool BlockStopRequested() { return shmem[kStopRequest] == 1; }
void BlockRequestStop() { shmem[kStopRequest] = 1; }
bool BlockStartGateOpen() { return shmem[kStartGate] == 0; }
void BlockOpenStartGate() { shmem[kStartGate] = 0; }
bool BlockWorkerPaused() { return shmem[kWorkerPaused] == 1; }
void BlockSetWorkerPaused(bool paused) { shmem[kWorkerPaused] = paused ? 1 : 0; }
bool BlockRuntimeFromUps() { return shmem[kRuntimeFromUps] == 1; }
void BlockSetRuntimeFromUps() { shmem[kRuntimeFromUps] = 1; }

void BlockStopFromSignal() {
  volatile uint8_t* block = shmem;
  if (block) block[kRunning] = 0;
}

namespace {

// 16-bit figures, high byte first, low 16 bits of `value`.
int Get16(int offset) { return (shmem[offset] << 8) | shmem[offset + 1]; }

void Put16(int offset, int32_t value) {
  shmem[offset] = static_cast<uint8_t>((value >> 8) & 0xFF);
  shmem[offset + 1] = static_cast<uint8_t>(value & 0xFF);
}

void PutFigure(int offset, const std::optional<int32_t>& value) {
  if (value) Put16(offset, *value);
}

void PutFlag(int offset, bool on) { shmem[offset] = on ? 1 : 0; }

}  // namespace

core::UpsState ReadUpsState() {
  core::UpsState s;
  s.mains_failure = shmem[kMainsFailure] != 0;
  s.battery_critical = shmem[kBatteryCritical] != 0;
  s.bypass = shmem[kBypass] != 0;
  s.signal_fault = shmem[kSignalFault] != 0;
  s.autonomy_end = shmem[kAutonomyEnd] != 0;
  s.autonomy_nominal_s = Get16(kAutonomyNominal);
  s.autonomy_full_s = Get16(kAutonomyFull);
  // Signed, as on the wire: a prediction may run below zero.
  s.autonomy_left_s = static_cast<int16_t>(Get16(kAutonomyLeft));
  s.time_on_battery_s = Get16(kTimeOnBattery);
  return s;
}

void WriteMainsFailure(bool on) { PutFlag(kMainsFailure, on); }
void WriteBatteryCritical(bool on) { PutFlag(kBatteryCritical, on); }
void WriteBypass(bool on) { PutFlag(kBypass, on); }
void WriteSignalFault(bool on) { PutFlag(kSignalFault, on); }
void WriteAutonomyEnd(bool on) { PutFlag(kAutonomyEnd, on); }

void WriteAutonomyFigures(const core::UpsState& state) {
  PutFigure(kAutonomyNominal, state.autonomy_nominal_s);
  PutFigure(kAutonomyFull, state.autonomy_full_s);
  PutFigure(kAutonomyLeft, state.autonomy_left_s);
  PutFigure(kTimeOnBattery, state.time_on_battery_s);
}

bool SameUpsFlags(const core::UpsState& a, const core::UpsState& b) {
  return a.mains_failure == b.mains_failure && a.battery_critical == b.battery_critical && a.bypass == b.bypass &&
         a.signal_fault == b.signal_fault && a.autonomy_end == b.autonomy_end;
}

void BlockSetName(const char* name, int length) {
  if (length > kNameMax) length = kNameMax;
  if (length < 0) length = 0;
  for (int i = 0; i < kBlockSize - kName; ++i) shmem[kName + i] = 0;
  for (int i = 0; i < length; ++i) shmem[kName + i] = static_cast<uint8_t>(name[i]);
  shmem[kNameLen] = static_cast<uint8_t>(length);
}

int BlockName(char name[kNameMax]) {
  int n = shmem[kNameLen] < kNameMax ? shmem[kNameLen] : kNameMax;
  for (int i = 0; i < n; ++i) name[i] = static_cast<char>(shmem[kName + i]);
  return n;
}

void BlockDisplayName(char name[kNameMax + 1]) {
  for (int i = 0; i < kNameMax; ++i) {
    uint8_t c = shmem[kName + i];
    name[i] = (c != 0 && (c < 0x20 || c == 0x7F)) ? '?' : static_cast<char>(c);
  }
  name[kNameMax] = '\0';
}

void AskToStop(volatile uint8_t* attached) {
  attached[kStopRequest] = 1;
  attached[kRunning] = 0;
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
  if (shsemid < 0 || semctl(shsemid, 0, SETVAL, kSemInitial) < 0) {
    if (shsemid >= 0) semctl(shsemid, 0, IPC_RMID);
    shmdt(attached);
    shmctl(shmemid, IPC_RMID, nullptr);
    return false;
  }
  // Filled before it is published: the signal handler writes through shmem.
  auto* block = static_cast<volatile uint8_t*>(attached);
  block[kRuntimeFromUps] = 0;
  block[kStartGate] = 1;
  block[kRunning] = 1;
  block[kStopRequest] = 0;
  for (int i = kMainsFailure; i <= kAutonomyEnd; ++i) block[i] = 0;
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
