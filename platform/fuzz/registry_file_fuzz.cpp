// Any byte string is a key file: parsing never fails, and what the parser
// keeps must survive a write and a re-read unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/linux/registry_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  platform::regfile::KeyFile file = platform::regfile::Parse(text);
  platform::regfile::KeyFile again = platform::regfile::Parse(platform::regfile::Format(file));
  if (again.values.size() != file.values.size()) std::abort();
  for (size_t i = 0; i < file.values.size(); ++i) {
    const auto& a = file.values[i];
    const auto& b = again.values[i];
    if (a.name != b.name || a.type != b.type || a.data != b.data) std::abort();
  }
  // Damaged lines are written back verbatim and stay damaged.
  if (again.damaged != file.damaged) std::abort();
  for (const char* name : {"Interval", "", "Identifica\xE7\xE3o"}) platform::regfile::Find(file, name);
  return 0;
}
