// Test helper: loads the LineTap library named on the command line and
// answers each line of standard input, "<function> [argument...]", with the
// function's result on a line of its own. "exports" answers with the number
// of the ten entry points found. Ends at end of input.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "lineshare/tests/library.h"

namespace {

const char* const kExports[] = {"serialOpen",    "serialClose",       "serialGetCts",      "serialGetDsr",
                                "serialGetRing", "serialSetDtr",      "serialSetRts",      "serialSlaveGetCts",
                                "serialSlaveGetDsr", "serialSlaveGetRing"};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  std::string error;
  void* library = LoadLibraryFile(argv[1], &error);
  if (!library) {
    std::fprintf(stderr, "linetap_peer: %s\n", error.c_str());
    return 1;
  }
  char line[256];
  while (std::fgets(line, sizeof line, stdin)) {
    char name[64] = {};
    int a = 0, b = 0;
    int fields = std::sscanf(line, "%63s %d %d", name, &a, &b);
    if (fields < 1) continue;
    long result = 0;
    if (std::strcmp(name, "exports") == 0) {
      for (const char* symbol : kExports) result += FindExport(library, symbol) != nullptr;
    } else if (void* symbol = FindExport(library, name)) {
      if (fields == 1) result = reinterpret_cast<int32_t (*)()>(symbol)();
      if (fields == 2) result = reinterpret_cast<int32_t (*)(int32_t)>(symbol)(a);
      if (fields == 3) result = reinterpret_cast<int32_t (*)(int32_t, int32_t)>(symbol)(a, b);
    } else {
      std::printf("missing\n");
      std::fflush(stdout);
      continue;
    }
    std::printf("%ld\n", result);
    std::fflush(stdout);
  }
  UnloadLibrary(library);
  return 0;
}
