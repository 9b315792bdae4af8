// The record in a shared-memory object of the host root (the stand-in for a
// DLL's shared data section).
#include <string>

#include "lineshare/shared_line_record.h"
#include "platform/debug_output.h"
#include "platform/linux/shared_section.h"

namespace linetap {
namespace {

// Held for the life of the process.
platform::SharedSection* section = nullptr;

// When the shared section cannot be had, a record of this process alone
// stands in: the master still works, and slaves elsewhere read -1.
SharedLineRecord* AttachRecord() {
  std::string error;
  section = platform::OpenSharedSection(kSectionName, &kInitialRecord, sizeof(SharedLineRecord), &error);
  if (section) return static_cast<SharedLineRecord*>(platform::SharedSectionData(section));
  platform::DebugPrintf("LineTap: no shared record (%s); slaves will not see this process\n", error.c_str());
  static SharedLineRecord alone = kInitialRecord;
  return &alone;
}

// Attached when the library is loaded and held until the process ends, as a
// DLL's shared data section is: a process that merely loaded the library
// keeps the record alive for the others.
SharedLineRecord* const shared_record = AttachRecord();

}  // namespace

SharedLineRecord& SharedRecord() { return *shared_record; }

}  // namespace linetap
