#include "platform/console_output.h"

#include <string>

#include "platform/debug_output.h"
#include "platform/linux/cp1252.h"

namespace platform {

// Terminals here speak UTF-8.
void WriteStandardError(const char* text) { DebugOutput(Utf8FromCp1252(text).c_str()); }

}  // namespace platform
