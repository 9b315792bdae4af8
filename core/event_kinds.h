// The kinds of events in the event log file and the text that stands for
// each in the user interface. Texts are in Windows-1252.
#pragma once

#include <cstdint>

namespace core {

struct EventKind {
  int32_t code;
  const char* text;
};

// Pairs in code order, ended by the pair whose code is 0 (text "").
extern const EventKind kEventKinds[];

// The text of `code`, or nullptr for a code that is not in the table.
const char* EventKindText(int32_t code);

}  // namespace core
