#include <windows.h>

#include "platform/start_program.h"

namespace platform {
namespace {

// One argument quoted so that the C runtime's parser gives it back whole.
std::string Quote(const std::string& arg) {
  if (!arg.empty() && arg.find_first_of(" \t\"") == std::string::npos) return arg;
  std::string quoted = "\"";
  size_t backslashes = 0;
  for (char c : arg) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, '\\');
  return quoted + "\"";
}

}  // namespace

uint32_t StartProgram(const std::string& path, const std::vector<std::string>& arguments) {
  std::string line = Quote(path);
  for (const std::string& a : arguments) line.append(" ").append(Quote(a));
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
