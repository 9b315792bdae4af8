// The system event log, shaped after RegisterEventSourceA(nullptr, source),
// ReportEventA(source, type, 0, id, nullptr, 0, 0, nullptr, nullptr) and
// DeregisterEventSource. A report names a message of the source's message
// table; the reader of the log shows its text.
//
// On Windows the texts are the message-table resource of the file that the
// registry names as the source's "EventMessageFile", and `messages` is not
// used. The Linux stand-in appends one line per report to
// <host root>/eventlog/System.log: local time, source, type, id and the
// message's text from `messages`, in Portuguese when the locale (LC_ALL,
// LC_MESSAGES, LANG) is Portuguese, else in English.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

// Event types (the Win32 EVENTLOG_* numbers).
inline constexpr uint16_t kEventError = 0x0001;
inline constexpr uint16_t kEventWarning = 0x0002;
inline constexpr uint16_t kEventInformation = 0x0004;

// One message of a message table in both of its languages; a table ends with
// an entry whose texts are null.
struct EventMessage {
  uint32_t id;
  const char* english;
  const char* portuguese;
};

struct EventSource;

// nullptr when the system refuses, with `error` saying why. `messages` must
// outlive the source.
EventSource* OpenEventSource(const std::string& source, const EventMessage* messages, std::string* error);

// True when the report was recorded.
bool ReportToEventLog(EventSource* source, uint16_t type, uint32_t id);

// True when the source was closed; the handle is gone either way.
bool CloseEventSource(EventSource* source);

}  // namespace platform
