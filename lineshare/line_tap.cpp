#include "lineshare/line_tap.h"

#include <atomic>
#include <string>

#include "lineshare/shared_line_record.h"
#include "platform/debug_output.h"
#include "platform/error_codes.h"
#include "platform/named_mutex.h"
#include "platform/serial_port.h"
#include "platform/tick_count.h"

using namespace linetap;

static_assert(kCtsOn == platform::kModemCtsOn && kDsrOn == platform::kModemDsrOn && kRingOn == platform::kModemRingOn &&
                  kRlsdOn == platform::kModemRlsdOn,
              "the shared word carries the platform's modem bits unchanged");

namespace {

SharedLineRecord& Record() { return SharedRecord(); }

// Both words are aligned 32-bit values read by other processes without a
// lock; the status is stored last so a slave never pairs a new status with
// an older word.
void Publish(int32_t modemStatus, int32_t status) {
  SharedLineRecord& record = Record();
  if (status == 1) std::atomic_ref<int32_t>(record.modemStatus).store(modemStatus, std::memory_order_relaxed);
  std::atomic_ref<int32_t>(record.status).store(status, std::memory_order_release);
}

// A master that marked itself and whose mark is gone died without closing:
// its reading is stale, and the slaves hear "no reading" (-1). A mark the
// slave may not open (another account's) still exists.
bool MasterDied(const SharedLineRecord& record) {
  if (std::atomic_ref<const int32_t>(record.masterMark).load(std::memory_order_acquire) != 1) return false;
  return platform::ProbeNamedMutex(kMasterMutex) == platform::kErrorFileNotFound;
}

int32_t SlaveRead(int32_t bit) {
  SharedLineRecord& record = Record();
  int32_t status = std::atomic_ref<int32_t>(record.status).load(std::memory_order_acquire);
  if (status < 0) return status;
  if (MasterDied(record)) return -1;
  return (std::atomic_ref<int32_t>(record.modemStatus).load(std::memory_order_relaxed) & bit) ? 1 : 0;
}

// The master's port and its mark; private to this process.
platform::SerialPort* master_port = nullptr;
platform::NamedMutex* master_mark = nullptr;

// A master whose read failed has lost its device (a pulled USB adapter
// fails for good on the old handle): it is opened again at the next read,
// then at most once a second until it reads, and meanwhile every read is
// -3 to the master and to the slaves.
constexpr uint32_t kReopenMs = 1000;
bool device_lost = false;
uint32_t next_reopen = 0;  // tick count

bool DeviceBack() {
  uint32_t now = platform::TickCount();
  if (static_cast<int32_t>(now - next_reopen) < 0) return false;
  next_reopen = now + kReopenMs;
  std::string error;
  if (!platform::ReopenSerialPort(master_port, &error)) return false;
  device_lost = false;
  return true;
}

// Without the mark (the system refused it) the slaves keep the old rule:
// they read the last reading whatever became of the master.
void TakeMasterMark() {
  if (!master_mark) {
    bool existed = false;
    uint32_t error = 0;
    master_mark = platform::CreateNamedMutex(kMasterMutex, &existed, &error);
    if (!master_mark) platform::DebugPrintf("LineTap: no master mark (error %u)\n", error);
  }
  std::atomic_ref<int32_t>(Record().masterMark).store(master_mark ? 1 : 0, std::memory_order_release);
}

void DropMasterMark() {
  std::atomic_ref<int32_t>(Record().masterMark).store(0, std::memory_order_release);
  platform::CloseNamedMutex(master_mark);
  master_mark = nullptr;
}

int32_t MasterRead(int32_t bit) {
  uint32_t word = 0;
  if ((device_lost && !DeviceBack()) || !platform::GetSerialModemStatus(master_port, &word)) {
    if (master_port && !device_lost) {
      device_lost = true;
      next_reopen = platform::TickCount();
    }
    Publish(0, -3);
    return -3;
  }
  Publish(static_cast<int32_t>(word), 1);
  return (static_cast<int32_t>(word) & bit) ? 1 : 0;
}

}  // namespace

extern "C" {

int32_t serialOpen(int32_t port, int32_t handshake) {
  std::string error;
  std::string name = "COM" + std::to_string(port);
  platform::SerialPort* opened = platform::OpenSerialPort(name, &error);
  if (!opened) {
    platform::DebugPrintf("LineTap: cannot open %s: %s\n", name.c_str(), error.c_str());
    return -1;
  }
  // A second open replaces the first port rather than leaking it.
  if (master_port) platform::CloseSerialPort(master_port);
  master_port = opened;
  device_lost = false;
  TakeMasterMark();
  if (!platform::ConfigureSerialPort(master_port, handshake != 0, &error)) {
    platform::DebugPrintf("LineTap: %s refuses its settings: %s\n", name.c_str(), error.c_str());
    return -2;
  }
  return 1;
}

int32_t serialClose(void) {
  // Closing drops DTR.
  platform::CloseSerialPort(master_port);
  master_port = nullptr;
  device_lost = false;
  Publish(0, -1);
  DropMasterMark();
  return 1;
}

int32_t serialGetCts(void) { return MasterRead(kCtsOn); }
int32_t serialGetDsr(void) { return MasterRead(kDsrOn); }
int32_t serialGetRing(void) { return MasterRead(kRingOn); }

int32_t serialSetDtr(int32_t on) { return platform::SetSerialDtr(master_port, on != 0) ? 1 : 0; }
int32_t serialSetRts(int32_t on) { return platform::SetSerialRts(master_port, on != 0) ? 1 : 0; }

int32_t serialSlaveGetCts(void) { return SlaveRead(kCtsOn); }
int32_t serialSlaveGetDsr(void) { return SlaveRead(kDsrOn); }
int32_t serialSlaveGetRing(void) { return SlaveRead(kRingOn); }

}  // extern "C"
