#include "core/event_kind_table.h"

namespace core {

const EventKindInfo* ByFileCode(int32_t code) {
  if (code == 0) return nullptr;
  for (const EventKindInfo& kind : kEventKindTable)
    if (kind.file_code == code) return &kind;
  return nullptr;
}

const EventKindInfo* ByHistoryCode(int code) {
  for (const EventKindInfo& kind : kEventKindTable)
    if (kind.history_code == code) return &kind;
  return nullptr;
}

const char* EventKindText(int32_t code) {
  const EventKindInfo* kind = ByFileCode(code);
  return kind ? kind->file_text : nullptr;
}

const EventKindInfo* ByDaemonText(std::string_view text) {
  for (const EventKindInfo& kind : kEventKindTable)
    if (kind.daemon_text && text == kind.daemon_text) return &kind;
  return nullptr;
}

}  // namespace core
