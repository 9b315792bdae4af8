// The Windows side of the LAN test of vigil-web.exe: under Wine, in a
// network namespace the test made, it sets "Web Port" to argv[2] and runs
// vigil-web.exe until the file named by argv[1] (a Unix path) exists.
// Exit 0 when every step worked.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>

#include "tests/support/child_process.h"
#include "tests/support/test_host.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: web_wine_peer DONE_FILE PORT\n");
    return 2;
  }
  CommandResult set = RunProcess({"reg.exe", "add", "HKLM\\Software\\Tessaly\\Vigil 2.0\\Web Server", "/v", "Web Port",
                                  "/t", "REG_DWORD", "/d", argv[2], "/f"},
                                 60000);
  if (set.status != 0) {
    std::fprintf(stderr, "web_wine_peer: reg add failed\n");
    return 1;
  }
  ChildProcess::Options options;
  std::string error;
  auto web = ChildProcess::Start({VIGIL_WEB_EXE, "-normal"}, options, &error);
  if (!web) {
    std::fprintf(stderr, "web_wine_peer: %s\n", error.c_str());
    return 1;
  }
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(240);
  while (!std::filesystem::exists(NativePath(argv[1]))) {
    if (std::chrono::steady_clock::now() > deadline) {
      std::fprintf(stderr, "web_wine_peer: not told to end\n");
      web->Kill();
      return 1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
  }
  web->Kill();
  web->Wait();
  return 0;
}
