#include "platform/console_output.h"

#include <string>

#include "platform/debug_output.h"
#include "platform/win1252.h"

namespace platform {

// Terminals here speak UTF-8.
void WriteStandardError(const char* text) { DebugOutput(win1252::ToUtf8(text, win1252::Unassigned::kControl).c_str()); }

}  // namespace platform
