// "arquivos.txt" comes from a CD anyone may have burnt; the key from the
// command line.
#include <cstdint>
#include <string>

#include "launcher/arquivos.h"
#include "launcher/launcher.h"

namespace {

class Quiet : public launcher::LauncherSystem {
 public:
  std::string text;
  bool ReadConfiguration(std::string* out) override {
    *out = text;
    return true;
  }
  intptr_t Open(const char*, const char*, int) override { return 2; }
  void Box(const char*, const char*, uint32_t) override {}
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  launcher::Entries entries = launcher::ParseArquivos(text);
  for (const auto& [key, value] : entries) {
    if (key.find('\n') != std::string::npos || value.empty()) __builtin_trap();
    launcher::ExtensionOf(value);
  }
  // The first line's key, run through the whole launcher.
  Quiet system;
  system.text = text;
  launcher::RunLauncher(text.substr(0, text.find(':')), system);
  launcher::FormatMessage("%s", text);
  return 0;
}
