// The system's own record of what happened: each event of a program, once.
// Here syslog (the journal under systemd), text converted from the
// programs' code page; on Windows the event file and the SNMP agent's
// event-log messages already hold the events, so nothing more is written.
#pragma once

namespace platform {

// `program` names the source ("alerter"); `text` is in Windows-1252.
void JournalEvent(const char* program, const char* text);

}  // namespace platform
