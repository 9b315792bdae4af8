// A window of the win32 platform: the real window and the procedure its
// messages go to. Internal to platform/win32.
#pragma once

#include <windows.h>

#include "platform/window_messages.h"

struct platform::WindowObject {
  HWND hwnd = nullptr;
  WindowProcedure procedure;
};
