// A window of the framework: a hidden platform window whose messages reach
// the virtual WindowProc, on the thread that created it.
#pragma once

#include <cstdint>

#include "framework/object.h"
#include "platform/window_messages.h"

class CWnd : public CObject {
 public:
  static constexpr CRuntimeClass runtimeClass{"CWnd", &CObject::runtimeClass};
  const CRuntimeClass* GetRuntimeClass() const override { return &runtimeClass; }

  CWnd() = default;
  ~CWnd() override;
  CWnd(const CWnd&) = delete;
  CWnd& operator=(const CWnd&) = delete;

  // A hidden top-level window titled `title`, reached by broadcasts; or a
  // message-only one. WindowProc gets the creation message before these
  // return. False when the system refuses (*error its code).
  bool CreateHidden(const char* title, uint32_t* error = nullptr);
  bool CreateMessageOnly(uint32_t* error = nullptr);
  // Sends the destruction message and destroys the window; harmless twice.
  void DestroyWindow();

  bool SetTimer(uintptr_t id, uint32_t periodMs);
  bool KillTimer(uintptr_t id);
  bool PostMessage(uint32_t message, uintptr_t wParam, intptr_t lParam);

  platform::Window GetSafeHwnd() const { return window_; }

 protected:
  // The window's message table; what it does not handle goes to
  // DefWindowProc.
  virtual intptr_t WindowProc(uint32_t message, uintptr_t wParam, intptr_t lParam);
  intptr_t DefWindowProc(uint32_t message, uintptr_t wParam, intptr_t lParam);

 private:
  bool Create(const char* title, bool topLevel, uint32_t* error);

  platform::Window window_ = nullptr;
};
