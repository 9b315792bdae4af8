// vigil-control [LIBRARY]: Control Panel for one applet. Loads LIBRARY, or
// <host root>/system32/Vigil20.cpl where the install puts it, sends
// CPL_INIT, CPL_GETCOUNT and CPL_NEWINQUIRE as Control Panel does, then
// CPL_DBLCLK to open the applet (its sheet shows in this terminal), and
// CPL_STOP and CPL_EXIT when it has closed.
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <dlfcn.h>
#include <string>

#include "applet/cpl.h"
#include "platform/win1252.h"
#include "platform/directories.h"

namespace {

using CplEntry = long (*)(void*, unsigned, intptr_t, intptr_t);

std::string DefaultLibrary() {
  char dir[4096];
  uint32_t n = platform::GetSystemDir(dir, sizeof dir);
  if (n == 0 || n >= sizeof dir) return "";
  return std::string(dir) + "/Vigil20.cpl";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc > 2 || (argc == 2 && (std::strcmp(argv[1], "-h") == 0 || std::strcmp(argv[1], "--help") == 0))) {
    std::fprintf(stderr, "usage: vigil-control [LIBRARY]\n");
    return 2;
  }
  std::string path = argc == 2 ? argv[1] : DefaultLibrary();
  void* library = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!library) {
    std::fprintf(stderr, "vigil-control: %s\n", dlerror());
    return 1;
  }
  auto entry = reinterpret_cast<CplEntry>(dlsym(library, "CPlApplet"));
  if (!entry) {
    std::fprintf(stderr, "vigil-control: %s exports no CPlApplet\n", path.c_str());
    dlclose(library);
    return 1;
  }
  if (entry(nullptr, applet::kCplInit, 0, 0) == 0) {
    std::fprintf(stderr, "vigil-control: the applet refused CPL_INIT\n");
    dlclose(library);
    return 1;
  }
  long count = entry(nullptr, applet::kCplGetCount, 0, 0);
  for (long i = 0; i < count; ++i) {
    applet::NewCplInfo info{};
    entry(nullptr, applet::kCplNewInquire, i, reinterpret_cast<intptr_t>(&info));
    info.szName[sizeof info.szName - 1] = info.szInfo[sizeof info.szInfo - 1] = '\0';
    std::printf("%s: %s\n", win1252::ToUtf8(info.szName).c_str(), win1252::ToUtf8(info.szInfo).c_str());
  }
  std::fflush(stdout);
  if (count > 0) entry(nullptr, applet::kCplDblClk, 0, 0);
  for (long i = 0; i < count; ++i) entry(nullptr, applet::kCplStop, i, 0);
  entry(nullptr, applet::kCplExit, 0, 0);
  dlclose(library);
  return 0;
}
