// Linux internals of the window-message stand-in: how sockets join a
// thread's message loop (socket notifications, as WSAAsyncSelect makes
// them), and how tools reach the top-level windows of other processes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/window_messages.h"

namespace platform::event_loop {

// Socket events, as notified in the low word of lParam (the FD_* bits).
inline constexpr uint32_t kSocketRead = 0x01;
inline constexpr uint32_t kSocketWrite = 0x02;

// From the window's own thread: while `fd` is readable, the window gets
// `message` with wParam `socketId` and lParam kSocketRead, once until
// RearmSocketRead; with kSocketWrite in `events`, also once kSocketWrite.
bool WatchSocket(Window window, int fd, uint32_t message, uintptr_t socketId, uint32_t events);
void RearmSocketRead(int fd);
void UnwatchSocket(int fd);

// A top-level window of some process, by its socket in <root>/run/windows.
struct WindowAddress {
  long processId = 0;
  std::string path;
};
std::vector<WindowAddress> ListTopLevelWindows();

// Sends the message to the window at `address` and waits up to timeoutMs
// for its reply. False when the window is gone (its socket is then removed)
// or does not answer in time.
bool SendToWindow(const WindowAddress& address, uint32_t message, uintptr_t wParam, intptr_t lParam, int timeoutMs,
                  intptr_t* result);

}  // namespace platform::event_loop
