// The record LineTap shares between its master and its slaves.
#pragma once

#include <cstdint>

namespace linetap {

inline constexpr const char* kSectionName = "LineTap";
// Held by the master from its open to its close. The system ends it with
// the master's process, so that a killed master's last reading is not
// served to slaves as current.
inline constexpr const char* kMasterMutex = "LineTap_Master";

struct SharedLineRecord {
  int32_t masterMark;   // 1 while a master holds kMasterMutex; 0 otherwise
  int32_t modemStatus;  // MS_* bits of the master's last good read
  int32_t status;       // 1 good read, -3 failed read, -1 no reading
};
static_assert(sizeof(SharedLineRecord) == 12, "three 32-bit words");

inline constexpr SharedLineRecord kInitialRecord{0, 0, -1};

// The one record of every process holding the library, as loaded until a
// master reads. Where it lives is the system's matter: a DLL's shared data
// section on Windows (shared_record_win32.cpp), a shared-memory object of the
// host root on Linux (shared_record_linux.cpp).
SharedLineRecord& SharedRecord();

}  // namespace linetap
