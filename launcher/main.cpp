// launcher KEY: opens what KEY stands for in ./arquivos.txt. Returns 0 on
// every path.
#include <fstream>
#include <sstream>

#include "launcher/launcher.h"
#include "platform/command_tail.h"
#include "platform/program_box.h"
#include "platform/shell_execute.h"

namespace {

class RealSystem : public launcher::LauncherSystem {
 public:
  bool ReadConfiguration(std::string* text) override {
    std::ifstream file("arquivos.txt", std::ios::binary);
    if (!file) return false;
    std::ostringstream content;
    content << file.rdbuf();
    *text = content.str();
    return true;
  }
  intptr_t Open(const char* file, const char* parameters, int show) override {
    return platform::ShellExecuteFile("open", file, parameters, show);
  }
  void Box(const char* caption, const char* text, uint32_t style) override {
    platform::ShowProgramBox(caption, text, style);
  }
};

}  // namespace

int main(int argc, char** argv) {
  RealSystem system;
  launcher::RunLauncher(platform::CommandTail(argc, argv), system);
  return 0;
}
