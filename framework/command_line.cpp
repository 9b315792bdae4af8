#include "framework/command_line.h"

void CCommandLineInfo::ParseSwitch(const char*, bool) {}

void CCommandLineInfo::ParseArgument(const char* argument) {
  bool isSwitch = argument[0] == '-' || argument[0] == '/';
  ParseSwitch(isSwitch ? argument + 1 : argument, isSwitch);
}

void ParseCommandLine(int argc, char** argv, CCommandLineInfo& info) {
  for (int i = 1; i < argc; ++i) info.ParseArgument(argv[i]);
}
