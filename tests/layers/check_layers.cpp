// check_layers ROOT: fails, naming each file and line, when an include of
// the product code goes against the layers.
#include <cstdio>

#include "include_layers.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: check_layers SOURCE_ROOT\n");
    return 2;
  }
  std::vector<layers::Violation> found = layers::CheckIncludes(argv[1]);
  for (const layers::Violation& v : found)
    std::printf("%s:%d: #include \"%s\": %s\n", v.file.c_str(), v.line, v.include.c_str(), v.why.c_str());
  std::printf("%zu include(s) against the layers\n", found.size());
  return found.empty() ? 0 : 1;
}
