// A message box of the program itself (MessageBoxA with no owner window),
// for programs without a window of their own: shown to whoever runs the
// program, and answered there.
#pragma once

#include <cstdint>

namespace platform {

// Styles and answers are the MB_* and ID* numbers. Returns the answer; 0
// when the box cannot be shown.
int32_t ShowProgramBox(const char* caption, const char* text, uint32_t style);

}  // namespace platform
