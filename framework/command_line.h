// The command line of a program, argument by argument: a switch is an
// argument introduced by '-' or '/'.
#pragma once

#include "framework/object.h"

class CCommandLineInfo : public CObject {
 public:
  static constexpr CRuntimeClass runtimeClass{"CCommandLineInfo", &CObject::runtimeClass};
  const CRuntimeClass* GetRuntimeClass() const override { return &runtimeClass; }

  // Called once per argument, in order: for a switch, `text` is its name
  // without the '-' or '/' and `isSwitch` is true; otherwise the whole
  // argument with `isSwitch` false.
  virtual void ParseSwitch(const char* text, bool isSwitch);
  // Called once per argument, whole; splits it for ParseSwitch. A program
  // whose switch takes the next argument as a value (a path that may begin
  // with '/') takes that argument here.
  virtual void ParseArgument(const char* argument);
};

// Hands argv[1] to argv[argc - 1] to `info`.
void ParseCommandLine(int argc, char** argv, CCommandLineInfo& info);
