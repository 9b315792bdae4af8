#include <windows.h>
#include <shellapi.h>

#include "platform/shell_execute.h"

namespace platform {

intptr_t ShellExecuteFile(const char* verb, const char* file, const char* parameters, int show) {
  return reinterpret_cast<intptr_t>(ShellExecuteA(nullptr, verb, file, parameters, nullptr, show));
}

}  // namespace platform
