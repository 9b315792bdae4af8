// The command tail: everything after the program's name on its command
// line, as WinMain receives it (leading blanks removed). Where the system
// hands over words instead (Linux), the words joined by single blanks.
#pragma once

#include <string>

namespace platform {

std::string CommandTail(int argc, char** argv);

}  // namespace platform
