#include "framework/command_line.h"

void CCommandLineInfo::ParseSwitch(const char*, bool) {}

void ParseCommandLine(int argc, char** argv, CCommandLineInfo& info) {
  for (int i = 1; i < argc; ++i) {
    const char* argument = argv[i];
    bool isSwitch = argument[0] == '-' || argument[0] == '/';
    info.ParseSwitch(isSwitch ? argument + 1 : argument, isSwitch);
  }
}
