#include "web/history_events.h"

namespace web {

std::string EventText(int code) {
  if (const core::EventKindInfo* kind = core::ByHistoryCode(code)) return kind->page_text;
  return "Evento " + std::to_string(code);
}

const char* EventSlug(int code) {
  const core::EventKindInfo* kind = core::ByHistoryCode(code);
  return kind ? kind->slug : "other";
}

}  // namespace web
