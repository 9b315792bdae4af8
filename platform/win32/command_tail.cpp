#include <windows.h>

#include "platform/command_tail.h"

namespace platform {

// The program's name ends at the first blank outside quotes, as the system
// reads it; the C runtime's words would lose the tail's own quotes and
// blanks.
std::string CommandTail(int, char**) {
  const char* line = GetCommandLineA();
  bool quoted = false;
  for (; *line && (quoted || (*line != ' ' && *line != '\t')); ++line)
    if (*line == '"') quoted = !quoted;
  while (*line == ' ' || *line == '\t') ++line;
  return line;
}

}  // namespace platform
