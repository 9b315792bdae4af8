// vigil-msg: window messages between the processes of the Linux stand-ins.
//
//   vigil-msg send NAME WPARAM LPARAM
//       sends the message NAME (a registered message, or a standard one by
//       its WM_ name, such as WM_USERCHANGED) to every top-level window, one
//       after the other, and prints one line per reply: the window's process
//       and the reply.
//   vigil-msg listen SECONDS
//       keeps a top-level window for SECONDS and prints one line per message
//       it receives, at once: its name (a registered message by its
//       registered name, a standard one by its WM_ name, any other in
//       hexadecimal), wParam and lParam in decimal.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <strings.h>

#include "platform/event_loop_linux.h"
#include "platform/owned_handle.h"
#include "platform/window_messages.h"

namespace {

struct StandardMessage {
  uint32_t number;
  const char* name;
};

constexpr StandardMessage kStandard[] = {
    {platform::kWmClose, "WM_CLOSE"},
    {platform::kWmQueryEndSession, "WM_QUERYENDSESSION"},
    {platform::kWmQuit, "WM_QUIT"},
    {platform::kWmEndSession, "WM_ENDSESSION"},
    {platform::kWmUserChanged, "WM_USERCHANGED"},
    {platform::kWmTimer, "WM_TIMER"},
};

int Usage() {
  std::fprintf(stderr, "usage: vigil-msg send NAME WPARAM LPARAM | vigil-msg listen SECONDS\n");
  return 2;
}

std::string NameOf(uint32_t message) {
  for (const auto& m : kStandard)
    if (m.number == message) return m.name;
  std::string registered = platform::RegisteredMessageName(message);
  if (!registered.empty()) return registered;
  char text[16];
  std::snprintf(text, sizeof text, "0x%04x", message);
  return text;
}

uint32_t NumberOf(const std::string& name) {
  for (const auto& m : kStandard)
    if (strcasecmp(m.name, name.c_str()) == 0) return m.number;
  return platform::RegisterMessageName(name.c_str());
}

bool ReadNumber(const char* text, long long* value) {
  char* end = nullptr;
  *value = std::strtoll(text, &end, 0);
  return end != text && *end == '\0';
}

int Send(const std::string& name, long long wParam, long long lParam) {
  uint32_t message = NumberOf(name);
  if (message == 0) {
    std::fprintf(stderr, "vigil-msg: cannot register %s\n", name.c_str());
    return 1;
  }
  for (const auto& window : platform::event_loop::ListTopLevelWindows()) {
    intptr_t result = 0;
    if (!platform::event_loop::SendToWindow(window, message, static_cast<uintptr_t>(wParam),
                                            static_cast<intptr_t>(lParam), 5000, &result))
      continue;
    std::printf("%ld %lld\n", window.processId, static_cast<long long>(result));
    std::fflush(stdout);
  }
  return 0;
}

int Listen(long long seconds) {
  uint32_t error = 0;
  constexpr uintptr_t kEndTimer = 1;
  platform::Owned<platform::Window, platform::DestroyHiddenWindow> window(platform::CreateHiddenWindow(
      "vigil-msg", true,
      [](platform::Window self, uint32_t message, uintptr_t wParam, intptr_t lParam) -> intptr_t {
        if (message == platform::kWmCreate || message == platform::kWmDestroy) return 0;
        if (message == platform::kWmTimer && wParam == kEndTimer) {
          platform::PostQuitToThread(platform::CurrentThreadId(), 0);
          return 0;
        }
        std::printf("%s %llu %lld\n", NameOf(message).c_str(), static_cast<unsigned long long>(wParam),
                    static_cast<long long>(lParam));
        std::fflush(stdout);
        return platform::DefaultWindowProcedure(self, message, wParam, lParam);
      },
      &error));
  if (!window) {
    std::fprintf(stderr, "vigil-msg: cannot make a window (error %u)\n", error);
    return 1;
  }
  platform::SetWindowTimer(window.get(), kEndTimer, static_cast<uint32_t>(seconds * 1000));
  platform::RunMessageLoop();
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return Usage();
  std::string command = argv[1];
  long long a = 0, b = 0;
  if (command == "send" && argc == 5 && ReadNumber(argv[3], &a) && ReadNumber(argv[4], &b)) return Send(argv[2], a, b);
  if (command == "listen" && argc == 3 && ReadNumber(argv[2], &a) && a > 0) return Listen(a);
  return Usage();
}
