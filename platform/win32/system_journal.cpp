#include "platform/system_journal.h"

// The event file "EvtVigil20.dat" is the Windows programs' record of their
// events, and the SNMP agent reports to the event log: nothing more here.
namespace platform {

void JournalEvent(const char*, const char*) {}

}  // namespace platform
