#include "platform/system_journal.h"

#include <syslog.h>

#include "platform/linux/cp1252.h"

namespace platform {

void JournalEvent(const char* program, const char* text) {
  // openlog keeps the pointer: the program's name must outlive the call.
  static const char* opened = nullptr;
  if (opened != program) {
    openlog(program, LOG_PID, LOG_DAEMON);
    opened = program;
  }
  syslog(LOG_NOTICE, "%s", Utf8FromCp1252(text).c_str());
}

}  // namespace platform
