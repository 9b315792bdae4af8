// Any local program may write to a window's socket. Each input is a run of
// messages (a length byte, then that many bytes), each sent on a connection
// of its own to a top-level window of this process; the window's loop then
// serves them all. Only a message of the exact wire size reaches the
// window's procedure, with its fields as sent; the window lives on and still
// takes a real post after them.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "platform/event_loop_linux.h"
#include "platform/seqpacket_linux.h"
#include "platform/window_messages.h"

namespace {

struct Wire {
  uint32_t kind;
  uint32_t message;
  uint64_t wParam;
  int64_t lParam;
};
constexpr uint32_t kWirePost = 2;
constexpr uint32_t kEndMessage = platform::kWmUser + 0x77;
constexpr uint64_t kEndMark = 0x5649474946555A5AULL;

std::string root;
std::string socket_path;
platform::Window window = nullptr;
bool ended = false;
int64_t run = 0;  // the end's mark, new for every run
size_t unexpected = 0;  // messages that no whole message carried
size_t received = 0;

void RemoveRoot() {
  platform::DestroyHiddenWindow(window);
  std::error_code ignored;
  std::filesystem::remove_all(root, ignored);
}

void Start() {
  if (window) return;
  char pattern[] = "/tmp/vigil-winfuzz-XXXXXX";
  if (!mkdtemp(pattern)) std::abort();
  root = pattern;
  setenv("VIGIL20_HOST_ROOT", pattern, 1);
  uint32_t error = 0;
  window = platform::CreateHiddenWindow("fuzz", true,
                                        [](platform::Window w, uint32_t message, uintptr_t wParam, intptr_t lParam) {
                                          if (message == kEndMessage && wParam == kEndMark && lParam == run) {
                                            ended = true;
                                            platform::PostQuitToThread(platform::CurrentThreadId(), 0);
                                            return intptr_t{0};
                                          }
                                          ++received;
                                          return platform::DefaultWindowProcedure(w, message, wParam, lParam);
                                        },
                                        &error);
  if (!window) std::abort();
  auto windows = platform::event_loop::ListTopLevelWindows();
  if (windows.size() != 1) std::abort();
  socket_path = windows[0].path;
  std::atexit(RemoveRoot);
}

void SendOne(const void* bytes, size_t size) {
  int fd = platform::seqpacket::Connect(socket_path);
  if (fd < 0) std::abort();
  platform::seqpacket::Send(fd, bytes, size);  // refused sizes are the point
  close(fd);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Start();
  size_t whole = 0;
  // The backlog of the window's socket is small: a few messages per run.
  for (size_t at = 0, sent = 0; at < size && sent < 4; ++sent) {
    size_t length = data[at++];
    if (length > size - at) length = size - at;
    Wire wire{};
    if (length == sizeof(Wire)) std::memcpy(&wire, data + at, sizeof wire);
    // The run's own end mark is not the input's to send: a forged one
    // (libFuzzer learns the compared values) would end the loop before the
    // real one, which would then arrive in the next run as a stray.
    if (length == sizeof(Wire) && wire.message == kEndMessage) {
      at += length;
      continue;
    }
    SendOne(data + at, length);
    if (length == sizeof(Wire)) whole += wire.kind == 1 || wire.kind == kWirePost;
    at += length;
  }
  received = 0;
  ended = false;
  ++run;
  Wire end{kWirePost, kEndMessage, kEndMark, run};
  SendOne(&end, sizeof end);
  platform::RunMessageLoop();
  if (!ended) std::abort();
  if (received > whole) ++unexpected;
  if (unexpected) std::abort();
  return 0;
}
