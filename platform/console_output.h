// Text for the person who ran a command, on standard error: the programs'
// ANSI (Windows-1252) texts as the terminal shows them.
#pragma once

namespace platform {

void WriteStandardError(const char* text);

}  // namespace platform
