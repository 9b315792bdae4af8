#include "framework/wnd.h"

CWnd::~CWnd() { DestroyWindow(); }

bool CWnd::CreateHidden(const char* title, uint32_t* error) { return Create(title, true, error); }

bool CWnd::CreateMessageOnly(uint32_t* error) { return Create("", false, error); }

bool CWnd::Create(const char* title, bool topLevel, uint32_t* error) {
  uint32_t ignored = 0;
  platform::Window made = platform::CreateHiddenWindow(
      title, topLevel,
      [this](platform::Window window, uint32_t message, uintptr_t wParam, intptr_t lParam) -> intptr_t {
        // The creation message comes before CreateHiddenWindow returns.
        if (!window_) window_ = window;
        return WindowProc(message, wParam, lParam);
      },
      error ? error : &ignored);
  if (!made) {
    window_ = nullptr;
    return false;
  }
  window_ = made;
  return true;
}

void CWnd::DestroyWindow() {
  if (!window_) return;
  platform::DestroyHiddenWindow(window_);
  window_ = nullptr;
}

bool CWnd::SetTimer(uintptr_t id, uint32_t periodMs) { return platform::SetWindowTimer(window_, id, periodMs); }

bool CWnd::KillTimer(uintptr_t id) { return platform::KillWindowTimer(window_, id); }

bool CWnd::PostMessage(uint32_t message, uintptr_t wParam, intptr_t lParam) {
  return platform::PostWindowMessage(window_, message, wParam, lParam);
}

intptr_t CWnd::WindowProc(uint32_t message, uintptr_t wParam, intptr_t lParam) {
  return DefWindowProc(message, wParam, lParam);
}

intptr_t CWnd::DefWindowProc(uint32_t message, uintptr_t wParam, intptr_t lParam) {
  return platform::DefaultWindowProcedure(window_, message, wParam, lParam);
}
