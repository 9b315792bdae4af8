// The window that shows a sheet of the dialog model and lets a person use
// it: on Windows the real dialogs made from the program's dialog resources
// (the model's state is the controls' state); here a terminal drawn with
// ncurses, laid out from the same dialog units.
#pragma once

#include <string>

#include "framework/dialog/tab_sheet.h"
#include "platform/message_box.h"

namespace dialog {

// Creates `sheet` (its OnInitDialog runs, with this window as its host),
// shows it modally over `parent` and runs it until it ends. `module` holds
// the dialog resources (Windows; ignored here). Returns the sheet's result,
// or -1 when no window can be shown (no terminal, no resources).
int RunSheetWindow(CTabSheet& sheet, void* parent, void* module);

// A box drawn where the sheet is drawn, for a program whose own boxes have
// nowhere else to go: over the sheet that runs now, or alone on the
// terminal when none runs. False when it cannot be shown there (no
// terminal; Windows shows boxes itself). `timeoutSeconds` 0 waits for
// ever; a box that times out answers platform::kIdTimeout.
bool ShowBoxInSheetWindow(const std::string& title, const std::string& text, unsigned style, int timeoutSeconds,
                          int* answer);

}  // namespace dialog
