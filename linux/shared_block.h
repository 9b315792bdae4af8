// The 52-byte System V shared block that the daemon's two processes and the
// "stop" command share, and the one semaphore that guards it. Every field is
// a byte or a run of bytes; 16-bit figures are stored high byte first.
#pragma once

#include <cstdint>

enum BlockByte : int {
  kReserved = 0,
  kStartGate = 1,    // 1 while the autonomy worker must wait
  kRunning = 2,      // 0 asks every loop to end
  kStopRequest = 3,  // 1 once a shutdown or a "stop" has begun
  kPowerFail = 4,    // the five UPS flags, 0/1
  kBatteryLow = 5,
  kBypass = 6,
  kCommFail = 7,
  kAutonomyOver = 8,
  kAutonomyTotal = 9,  // four 16-bit figures, seconds
  kAutonomyBase = 11,
  kAutonomyLeft = 13,
  kDischargeTime = 15,
  kWorkerPaused = 17,  // 1 while the worker sleeps in pause()
  kNameLen = 18,
  kName = 19,  // station name, zero-terminated, at most 32 characters
};
inline constexpr int kBlockSize = 52;
inline constexpr int kNameMax = 32;
inline constexpr int kFlagCount = 5;  // kPowerFail .. kAutonomyOver

// The attached block (volatile: the other process and signal handlers write
// it behind the compiler's back), its identifier, the semaphore set's
// identifier and the semaphore's initial value.
extern volatile uint8_t* shmem;
extern int shmemid;
extern int shsemid;
extern int shsemarg;

// Takes the lock (operation -1 on semaphore 0). Returns 0, or the failed
// call's result after printing `label` and the semaphore's value.
int SemWait(int set, const char* label);
// Gives the lock back, unless it is already free: the value never rises above
// 1. Returns 0 (or the value found when already free), or the failed call's
// result after printing `label`.
int SemPost(int set, const char* label);

// 16-bit figures, high byte first, low 16 bits of `value`.
int BlockGet16(int offset);
void BlockPut16(int offset, int value);

// Writes the station name into the name area: cut to 32 characters, the rest
// of the area cleared, `kNameLen` set to the length.
void BlockSetName(const char* name, int length);

// The name area as log and console lines show it: zero-terminated, with
// every control character replaced by "?", so that a name received from the
// network cannot forge lines. The area itself keeps the name as received.
void BlockDisplayName(char name[kNameMax + 1]);

// The five UPS flags (kPowerFail .. kAutonomyOver) as they stand, to tell
// whether a change of the lines or a datagram moved any of them.
struct UpsFlags {
  uint8_t flag[kFlagCount];
  bool operator==(const UpsFlags&) const = default;
};
UpsFlags BlockFlags();

// One look at the block `id`: its creator is gone, or no more than
// `own_attachments` processes (the caller's own) have it attached. A live
// daemon keeps it attached from its start to the moment it removes it.
bool BlockLooksAbandoned(int id, unsigned own_attachments);

// Creates the block and the semaphore set exclusively (the single-instance
// guard), attaches the block and sets their initial contents. A block left
// by a daemon that died (abandoned on two looks 100 ms apart), and a
// semaphore set left without its block, are removed first. On failure
// nothing created here is left behind, except a block or set of a live
// daemon. Returns false on failure.
bool CreateIpcObjects();

// Detaches the block and removes it and the semaphore set. Returns false if
// any of the three steps failed.
bool RemoveIpcObjects();
