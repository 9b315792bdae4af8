// Hidden windows, their timers and messages, and the message loop of a
// thread, after CreateWindowExA, SetTimer, PostMessageA, SendMessageA,
// RegisterWindowMessageA, PostThreadMessageA and GetMessageA. A window
// belongs to the thread that made it; its procedure runs on that thread,
// inside RunMessageLoop (or inside a send to the window).
//
// Top-level windows are reached by broadcasts from every process of the
// machine; message-only windows (for socket notifications) are not.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace platform {

struct WindowObject;
using Window = WindowObject*;

// Standard messages (the Win32 WM_* numbers).
inline constexpr uint32_t kWmCreate = 0x0001;
inline constexpr uint32_t kWmDestroy = 0x0002;
inline constexpr uint32_t kWmClose = 0x0010;
inline constexpr uint32_t kWmQueryEndSession = 0x0011;
inline constexpr uint32_t kWmQuit = 0x0012;
inline constexpr uint32_t kWmEndSession = 0x0016;
inline constexpr uint32_t kWmUserChanged = 0x0054;
inline constexpr uint32_t kWmTimer = 0x0113;
inline constexpr uint32_t kWmUser = 0x0400;
// Registered messages take the numbers from here to 0xFFFF.
inline constexpr uint32_t kFirstRegisteredMessage = 0xC000;

// A window's procedure: the reply to `message`. Messages it does not handle
// go to DefaultWindowProcedure.
using WindowProcedure = std::function<intptr_t(Window window, uint32_t message, uintptr_t wParam, intptr_t lParam)>;

// Creates a hidden window of the calling thread: with `topLevel`, a
// top-most pop-up of 350 x 200 at the origin with caption and system menu,
// titled `title`, reached by broadcasts; otherwise a message-only window.
// The procedure gets kWmCreate before this returns. nullptr on failure,
// with *error the system's error code.
Window CreateHiddenWindow(const char* title, bool topLevel, WindowProcedure procedure, uint32_t* error);
// Sends kWmDestroy and destroys the window; accepts nullptr.
void DestroyHiddenWindow(Window window);

// Timer `id` of the window: kWmTimer with wParam `id` every periodMs. A
// timer that falls behind is not made up for: one message per period at
// most. Setting an existing id restarts it.
bool SetWindowTimer(Window window, uintptr_t id, uint32_t periodMs);
bool KillWindowTimer(Window window, uintptr_t id);

// Queues a message for the window, from any thread of the process.
bool PostWindowMessage(Window window, uint32_t message, uintptr_t wParam, intptr_t lParam);
// Calls the window's procedure at once (its own thread only).
intptr_t SendWindowMessage(Window window, uint32_t message, uintptr_t wParam, intptr_t lParam);
intptr_t DefaultWindowProcedure(Window window, uint32_t message, uintptr_t wParam, intptr_t lParam);

// The number of the message registered as `name` (compared without case),
// the same in every process; 0 on failure.
uint32_t RegisterMessageName(const char* name);
// The name of a registered message; empty for any other number.
std::string RegisteredMessageName(uint32_t message);

// SendMessageA(HWND_BROADCAST): the message goes to every top-level window
// of every process, this process's own included, one after the other, each
// reply awaited. While it waits, the calling thread still answers messages
// sent to its own windows.
void BroadcastSendMessage(uint32_t message, uintptr_t wParam, intptr_t lParam);
// PostMessageA(HWND_BROADCAST): queued for every top-level window.
bool BroadcastPostMessage(uint32_t message, uintptr_t wParam, intptr_t lParam);

// The calling thread's identifier.
uint32_t CurrentThreadId();
// Gives the calling thread its message queue, so that other threads may
// post to it before it has a window.
void PrepareMessageQueue();
// PostThreadMessageA(thread, WM_QUIT, exitCode, 0): the thread's message
// loop ends. False when the thread has no message queue.
bool PostQuitToThread(uint32_t threadId, int exitCode);
// Runs the calling thread's message loop until a quit arrives; returns the
// quit's exit code.
int RunMessageLoop();

}  // namespace platform
