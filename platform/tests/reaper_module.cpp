// A library that starts a program and leaves it, as the applet starts the
// supervisor, for the test that unloads the library while it runs.
#include <string>
#include <vector>

#include "platform/start_program.h"

extern "C" __attribute__((visibility("default"))) unsigned StartAndLeave(const char* program, const char* argument) {
  return platform::StartProgram(program, {argument});
}
