// The record in a shared-memory object of the host root (the stand-in for a
// DLL's shared data section).
#include <string>

#include "lineshare/shared_line_record.h"
#include "platform/debug_output.h"
#include "platform/shared_section_linux.h"

namespace linetap {
namespace {

// Held while the library is loaded, as a DLL's shared section is: given back
// when the library is unloaded (an SNMP service unloading its agent) or the
// process ends. Whoever reads the record from another thread has stopped by
// then (the agent's poller is stopped at its unload).
struct HeldSection {
  platform::SharedSection* section = nullptr;
  ~HeldSection() {
    if (section) platform::CloseSharedSection(section);
  }
};
HeldSection held;

// When the shared section cannot be had, a record of this process alone
// stands in: the master still works, and slaves elsewhere read -1.
SharedLineRecord* AttachRecord() {
  std::string error;
  held.section = platform::OpenSharedSection(kSectionName, &kInitialRecord, sizeof(SharedLineRecord), &error);
  if (held.section) return static_cast<SharedLineRecord*>(platform::SharedSectionData(held.section));
  platform::DebugPrintf("LineTap: no shared record (%s); slaves will not see this process\n", error.c_str());
  static SharedLineRecord alone = kInitialRecord;
  return &alone;
}

// Attached when the library is loaded: a process that merely loaded the
// library keeps the record alive for the others.
SharedLineRecord* const shared_record = AttachRecord();

}  // namespace

SharedLineRecord& SharedRecord() { return *shared_record; }

}  // namespace linetap
