// The 52-byte System V shared block that the daemon's two processes and the
// "stop" command share, and the one semaphore that guards it. Every field is
// a byte or a run of bytes; 16-bit figures are stored high byte first. Only
// shared_block.cpp touches the bytes: the rest of the daemon reads and
// writes the block through the accessors below, and the UPS's part of it
// as a core::UpsState.
#pragma once

#include <cstdint>

#include "core/ups_state.h"

// The layout: offsets of the fields.
enum BlockByte : int {
  kRuntimeFromUps = 0,  // 1 once the autonomy left is the UPS's own runtime estimate
  kStartGate = 1,     // 1 while the autonomy worker must wait
  kRunning = 2,       // 0 asks every loop to end
  kStopRequest = 3,   // 1 once a shutdown or a "stop" has begun
  kMainsFailure = 4,  // the five UPS flags, 0/1
  kBatteryCritical = 5,
  kBypass = 6,
  kSignalFault = 7,
  kAutonomyEnd = 8,
  kAutonomyNominal = 9,  // four 16-bit figures, seconds
  kAutonomyFull = 11,
  kAutonomyLeft = 13,
  kTimeOnBattery = 15,
  kWorkerPaused = 17,  // 1 while the worker sleeps in pause()
  kNameLen = 18,
  kName = 19,  // station name, zero-terminated, at most 32 characters
};
inline constexpr int kBlockSize = 52;
inline constexpr int kNameMax = 32;

// Points every accessor below at `block`, kBlockSize bytes, or at nothing
// (nullptr). CreateIpcObjects does it with the block it attaches; the unit
// tests with bytes of their own.
void UseBlock(volatile uint8_t* block);

// Takes the lock (operation -1 on semaphore 0). Returns 0, or the failed
// call's result after printing `label` and the semaphore's value.
int SemWait(int set, const char* label);
// Gives the lock back, unless it is already free: the value never rises above
// 1. Returns 0 (or the value found when already free), or the failed call's
// result after printing `label`.
int SemPost(int set, const char* label);

// SemWait and SemPost on the daemon's own semaphore set, the one
// CreateIpcObjects made.
int LockBlock(const char* label);
int UnlockBlock(const char* label);

// The control bytes. Each is one byte, read and written whole: `running`
// and `stop_request` are also written without the lock (the "stop"
// command, a termination signal).
bool BlockRunning();
void BlockSetRunning(bool running);
bool BlockStopRequested();
void BlockRequestStop();
bool BlockStartGateOpen();
void BlockOpenStartGate();
bool BlockWorkerPaused();
void BlockSetWorkerPaused(bool paused);
// Set by the line monitor once it publishes a USB UPS's own runtime as the
// autonomy left: the worker then follows that figure instead of its linear
// model. Never cleared while the daemon runs. Lock held.
bool BlockRuntimeFromUps();
void BlockSetRuntimeFromUps();

// From a signal handler: clears `running` when a block is attached, and
// nothing else. Async-signal-safe.
void BlockStopFromSignal();

// The UPS as the block holds it: the five flags and the four autonomy
// figures (the remaining autonomy signed, the others from 0 to 65535).
// `shutdown_started` and the measured figures stay empty: the block has no
// room for them. Lock held.
core::UpsState ReadUpsState();

// Each flag, 0 or 1. Lock held.
void WriteMainsFailure(bool on);
void WriteBatteryCritical(bool on);
void WriteBypass(bool on);
void WriteSignalFault(bool on);
void WriteAutonomyEnd(bool on);

// Writes each of the four autonomy figures that `state` holds, the low 16
// bits of its value; an empty one keeps what the block has. Lock held.
void WriteAutonomyFigures(const core::UpsState& state);

// True when the five flags are the same in `a` and `b`: whether a change of
// the lines or a datagram moved any of them. The figures do not count.
bool SameUpsFlags(const core::UpsState& a, const core::UpsState& b);

// Writes the station name into the name area: cut to 32 characters, the rest
// of the area cleared, `kNameLen` set to the length.
void BlockSetName(const char* name, int length);

// The name area's bytes in use (`kNameLen`, at most 32) copied to `name`,
// as they are. Returns their number.
int BlockName(char name[kNameMax]);

// The name area as log and console lines show it: zero-terminated, with
// every control character replaced by "?", so that a name received from the
// network cannot forge lines. The area itself keeps the name as received.
void BlockDisplayName(char name[kNameMax + 1]);

// The "stop" command's part on a block it attached itself: asks the daemon
// to stop (`stop_request` 1) and every loop to end (`running` 0).
void AskToStop(volatile uint8_t* attached);

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
