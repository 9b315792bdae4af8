#include <windows.h>

#include "core/windows_command_line.h"
#include "platform/start_program.h"

namespace platform {

uint32_t StartProgram(const std::string& path, const std::vector<std::string>& arguments) {
  std::vector<std::string> command_line = {path};
  command_line.insert(command_line.end(), arguments.begin(), arguments.end());
  std::string line = core::WindowsCommandLine(command_line);
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(path.c_str(), line.data(), nullptr, nullptr, FALSE, CREATE_NEW_CONSOLE, nullptr, nullptr,
                      &startup, &process))
    return GetLastError();
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return 0;
}

}  // namespace platform
