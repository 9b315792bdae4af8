// Real windows of one registered class, whose window procedure hands every
// message to the WindowProcedure stored with the window.
#include <windows.h>

#include "platform/win32/window_object.h"

namespace platform {
namespace {

constexpr const char* kClassName = "VigilHiddenWindow";

LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
    auto* window = static_cast<WindowObject*>(create->lpCreateParams);
    window->hwnd = hwnd;
    SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(window));
  }
  auto* window = reinterpret_cast<WindowObject*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
  if (message == WM_NCDESTROY) SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
  if (!window || !window->procedure || message == WM_NCCREATE || message == WM_NCDESTROY)
    return DefWindowProcA(hwnd, message, wParam, lParam);
  return window->procedure(window, message, wParam, lParam);
}

bool RegisterClassOnce(uint32_t* error) {
  static ATOM atom = [] {
    WNDCLASSA cls{};
    cls.lpfnWndProc = Procedure;
    cls.hInstance = GetModuleHandleA(nullptr);
    cls.hIcon = LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_APPLICATION));
    cls.lpszClassName = kClassName;
    return RegisterClassA(&cls);
  }();
  if (!atom) *error = GetLastError();
  return atom != 0;
}

}  // namespace

Window CreateHiddenWindow(const char* title, bool topLevel, WindowProcedure procedure, uint32_t* error) {
  if (!RegisterClassOnce(error)) return nullptr;
  auto* window = new WindowObject{nullptr, std::move(procedure)};
  HWND hwnd = topLevel ? CreateWindowExA(WS_EX_TOPMOST, kClassName, title, WS_POPUP | WS_CAPTION | WS_SYSMENU, 0, 0,
                                         350, 200, nullptr, nullptr, GetModuleHandleA(nullptr), window)
                       : CreateWindowExA(0, kClassName, title, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                         GetModuleHandleA(nullptr), window);
  if (!hwnd) {
    *error = GetLastError();
    delete window;
    return nullptr;
  }
  return window;
}

void DestroyHiddenWindow(Window window) {
  if (!window) return;
  if (window->hwnd) DestroyWindow(window->hwnd);
  delete window;
}

bool SetWindowTimer(Window window, uintptr_t id, uint32_t periodMs) {
  return window && SetTimer(window->hwnd, id, periodMs, nullptr) != 0;
}

bool KillWindowTimer(Window window, uintptr_t id) { return window && KillTimer(window->hwnd, id); }

bool PostWindowMessage(Window window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  return window && PostMessageA(window->hwnd, message, wParam, lParam);
}

intptr_t SendWindowMessage(Window window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  return window ? SendMessageA(window->hwnd, message, wParam, lParam) : 0;
}

intptr_t DefaultWindowProcedure(Window window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
  return DefWindowProcA(window->hwnd, message, wParam, lParam);
}

uint32_t RegisterMessageName(const char* name) { return RegisterWindowMessageA(name); }

std::string RegisteredMessageName(uint32_t message) {
  if (message < kFirstRegisteredMessage || message > 0xFFFF) return "";
  // Registered messages and clipboard formats share one atom table.
  char name[256];
  int length = GetClipboardFormatNameA(message, name, sizeof name);
  return length > 0 ? std::string(name, static_cast<size_t>(length)) : "";
}

void BroadcastSendMessage(uint32_t message, uintptr_t wParam, intptr_t lParam) {
  SendMessageA(HWND_BROADCAST, message, wParam, lParam);
}

bool BroadcastPostMessage(uint32_t message, uintptr_t wParam, intptr_t lParam) {
  return PostMessageA(HWND_BROADCAST, message, wParam, lParam);
}

uint32_t CurrentThreadId() { return GetCurrentThreadId(); }

void PrepareMessageQueue() {
  // The first call to a message function gives the thread its queue.
  MSG message;
  PeekMessageA(&message, nullptr, WM_USER, WM_USER, PM_NOREMOVE);
}

bool PostQuitToThread(uint32_t threadId, int exitCode) {
  return PostThreadMessageA(threadId, WM_QUIT, static_cast<WPARAM>(exitCode), 0);
}

int RunMessageLoop() {
  MSG message;
  for (;;) {
    BOOL got = GetMessageA(&message, nullptr, 0, 0);
    if (got == 0) return static_cast<int>(message.wParam);
    if (got < 0) return -1;
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

}  // namespace platform
