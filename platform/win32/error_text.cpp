#include <windows.h>

#include "platform/error_text.h"

namespace platform {

bool SystemErrorText(uint32_t code, char* buffer, size_t size) {
  if (size == 0) return false;
  DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                                MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), buffer, static_cast<DWORD>(size), nullptr);
  return length > 0;
}

}  // namespace platform
