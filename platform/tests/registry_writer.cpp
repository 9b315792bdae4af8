// Test helper: writes to the registry of VIGIL20_HOST_ROOT from its own
// process.
//   registry_writer blob             rewrites "Blob" forever, alternating a
//                                    value of 'A's and one of 'B's
//   registry_writer values PREFIX N  sets PREFIX0 .. PREFIX{N-1}, then exits
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/registry.h"

constexpr uint32_t kBlobBytes = 64 * 1024;

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  std::string mode = argv[1];
  platform::RegKey key = nullptr;
  long result = platform::CreateRegKey(platform::kLocalMachine, "Software\\Test", platform::kKeyAllAccess, &key, nullptr);
  if (result != platform::kRegOk) {
    std::fprintf(stderr, "registry_writer: %s\n", platform::RegResultText(result));
    return 1;
  }
  if (mode == "blob") {
    std::vector<uint8_t> data(kBlobBytes);
    for (char fill = 'A';; fill = fill == 'A' ? 'B' : 'A') {
      data.assign(kBlobBytes, static_cast<uint8_t>(fill));
      if (platform::SetRegValue(key, "Blob", platform::kRegBinary, data.data(), kBlobBytes) != platform::kRegOk) break;
      std::printf("%c\n", fill);
      std::fflush(stdout);
    }
    platform::CloseRegKey(key);
    return 1;
  }
  int status = 2;
  if (mode == "values" && argc == 4) {
    int count = std::atoi(argv[3]);
    status = 0;
    for (int i = 0; i < count && status == 0; ++i) {
      std::string name = argv[2] + std::to_string(i);
      if (platform::SetRegDword(key, name, static_cast<uint32_t>(i)) != platform::kRegOk) status = 1;
    }
  }
  platform::CloseRegKey(key);
  return status;
}
