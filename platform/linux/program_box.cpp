// The box is written to standard error, in the terminal's encoding. A box
// with only an OK button counts as answered; one that asks a question has
// nobody to answer it.
#include "platform/program_box.h"

#include <string>

#include "framework/win1252.h"
#include "platform/debug_output.h"

namespace platform {

int32_t ShowProgramBox(const char* caption, const char* text, uint32_t style) {
  std::string line = win1252::ToUtf8(std::string(caption) + ": " + text) + "\n";
  DebugOutput(line.c_str());
  return (style & 0xF) == 0 ? 1 : 0;
}

}  // namespace platform
