#include "platform/system_journal.h"

#include <syslog.h>

#include "platform/win1252.h"

namespace platform {

void JournalEvent(const char* program, const char* text) {
  // openlog keeps the pointer: the program's name must outlive the call.
  static const char* opened = nullptr;
  if (opened != program) {
    openlog(program, LOG_PID, LOG_DAEMON);
    opened = program;
  }
  syslog(LOG_NOTICE, "%s", win1252::ToUtf8(text, win1252::Unassigned::kControl).c_str());
}

}  // namespace platform
