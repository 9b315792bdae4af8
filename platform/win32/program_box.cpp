#include <windows.h>

#include "platform/program_box.h"

namespace platform {

int32_t ShowProgramBox(const char* caption, const char* text, uint32_t style) {
  return MessageBoxA(nullptr, text, caption, style);
}

}  // namespace platform
