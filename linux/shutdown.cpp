#include "shutdown.h"

#include <cstdio>
#include <cstdlib>

#include "config_file.h"

namespace {

struct PowerOff {
  const char* program;
  const char* command;
};

constexpr PowerOff kPowerOffs[] = {
    {"/sbin/poweroff", "/sbin/poweroff"},
    {"/sbin/shutdown", "/sbin/shutdown -t 1 now"},
    {"/sbin/init", "/sbin/init 0"},
};

bool CanBeRead(const char* path) {
  FILE* f = std::fopen(path, "r");
  if (!f) return false;
  std::fclose(f);
  return true;
}

}  // namespace

void ShutDown() {
  if (config.script_on == 1 && config.script[0] != '\0') std::system(config.script);
  for (const auto& p : kPowerOffs) {
    if (CanBeRead(p.program)) {
      std::system(p.command);
      return;
    }
  }
}
