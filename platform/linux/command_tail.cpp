#include "platform/command_tail.h"

namespace platform {

std::string CommandTail(int argc, char** argv) {
  std::string tail;
  for (int i = 1; i < argc; ++i) {
    if (i > 1) tail += ' ';
    tail += argv[i];
  }
  return tail;
}

}  // namespace platform
