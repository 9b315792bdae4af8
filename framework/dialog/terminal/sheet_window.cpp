// The sheet in the terminal: drawn by terminal::SheetView, driven by the
// keyboard through the model's keyboard rules, with the pages' timers and
// boxes served here, all on the thread's message loop. The terminal is the
// process's controlling terminal.
#include "framework/dialog/sheet_window.h"

#include <algorithm>
#include <chrono>
#include <vector>

#include "platform/debug_output.h"
#include "platform/window_messages.h"
#include "platform/event_loop_linux.h"
#include "framework/dialog/terminal/boxes.h"
#include "framework/dialog/terminal/screen.h"
#include "framework/dialog/terminal/sheet_view.h"

namespace dialog {
// The window and its message loop are the system's.
using namespace platform;

namespace {

// The sheet's window in the thread's message loop: the terminal's input
// arrives as a socket notification of a message-only window, the pages'
// timers are that window's timers, and LAN notifications (the server list)
// are served by the same loop between keys.
class TerminalWindow : public dialog::DialogHost {
 public:
  TerminalWindow(terminal::Screen& screen, dialog::CTabSheet& sheet)
      : screen_(screen), sheet_(sheet), view_(screen, sheet) {}
  ~TerminalWindow() {
    if (window_) {
      event_loop::UnwatchSocket(screen_.InputDescriptor());
      DestroyHiddenWindow(window_);
    }
  }

  void SetTimer(dialog::CDialog* owner, int id, int ms) override {
    if (!window_) return;
    SetWindowTimer(window_, TimerKey(owner, id), static_cast<uint32_t>(std::max(1, ms)));
  }
  void KillTimer(dialog::CDialog* owner, int id) override {
    if (!window_) return;
    for (size_t i = 0; i < timers_.size(); ++i)
      if (timers_[i].owner == owner && timers_[i].id == id) KillWindowTimer(window_, i + 1);
  }
  int ShowMessageBox(dialog::CDialog*, const std::string& text, const std::string& caption, unsigned style) override {
    return terminal::RunMessageBox(
        screen_, [this] { view_.Draw(); }, caption, text, style, 0, 0);
  }
  bool ChooseFile(dialog::CDialog*, const dialog::FileOpenRequest& request, std::string* path) override {
    return terminal::RunFileChooser(
        screen_, [this] { view_.Draw(); }, request, path);
  }

  int Box(const std::string& title, const std::string& text, unsigned style, int timeoutSeconds) {
    return terminal::RunMessageBox(
        screen_, [this] { view_.Draw(); }, title, text, style, timeoutSeconds, platform::kIdTimeout);
  }

  // Made before the sheet is created, so that its pages can set timers.
  bool Open(std::string* error) {
    uint32_t code = 0;
    window_ = CreateHiddenWindow(
        "", false,
        [this](Window w, uint32_t message, uintptr_t wParam, intptr_t lParam) {
          return OnMessage(w, message, wParam, lParam);
        },
        &code);
    if (!window_) {
      *error = "no window for the sheet (error " + std::to_string(code) + ")";
      return false;
    }
    if (!event_loop::WatchSocket(window_, screen_.InputDescriptor(), kInputMessage, 0, event_loop::kSocketRead)) {
      *error = "the terminal's input cannot be watched";
      return false;
    }
    // A resize is a signal, not input: ncurses reports it at its next read.
    if (!SetWindowTimer(window_, kResizeTimer, kResizePollMs)) {
      *error = "no timer for the terminal's size";
      return false;
    }
    return true;
  }

  int Run() {
    view_.Draw();
    if (!sheet_.Ended()) RunMessageLoop();
    return sheet_.Result();
  }

 private:
  static constexpr uint32_t kInputMessage = kWmUser + 1;
  // Far above the pages' timers, which are numbered from 1.
  static constexpr uintptr_t kResizeTimer = 0x10000;
  static constexpr uint32_t kResizePollMs = 200;

  struct Timer {
    dialog::CDialog* owner;
    int id;
  };

  // The window's timer number of a page's timer: its place in timers_ + 1.
  uintptr_t TimerKey(dialog::CDialog* owner, int id) {
    for (size_t i = 0; i < timers_.size(); ++i)
      if (timers_[i].owner == owner && timers_[i].id == id) return i + 1;
    timers_.push_back({owner, id});
    return timers_.size();
  }

  // Every key that is waiting (and a resize); none is waited for.
  void TakeWaitingInput() {
    for (;;) {
      terminal::Event event = screen_.Next(0);
      if (event.kind == terminal::Event::kNothing) break;
      if (event.kind == terminal::Event::kKey && view_.Fits()) sheet_.HandleKey(event.key);
      if (sheet_.Ended()) break;
    }
  }

  intptr_t OnMessage(Window w, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    if (message == kInputMessage) {
      TakeWaitingInput();
      event_loop::RearmSocketRead(screen_.InputDescriptor());
    } else if (message == kWmTimer && wParam == kResizeTimer) {
      TakeWaitingInput();
    } else if (message == kWmTimer) {
      if (wParam >= 1 && wParam <= timers_.size()) timers_[wParam - 1].owner->OnTimer(timers_[wParam - 1].id);
    } else {
      return DefaultWindowProcedure(w, message, wParam, lParam);
    }
    if (sheet_.Ended()) {
      PostQuitToThread(CurrentThreadId(), 0);
    } else {
      view_.Draw();
    }
    return 0;
  }

  terminal::Screen& screen_;
  dialog::CTabSheet& sheet_;
  terminal::SheetView view_;
  Window window_ = nullptr;
  std::vector<Timer> timers_;
};

TerminalWindow* running = nullptr;

}  // namespace

int RunSheetWindow(dialog::CTabSheet& sheet, void* /*parent*/, void* /*module*/) {
  terminal::Screen screen;
  std::string error;
  if (!screen.Open(&error)) {
    DebugPrintf("sheet: %s\n", error.c_str());
    return -1;
  }
  TerminalWindow window(screen, sheet);
  if (!window.Open(&error)) {
    DebugPrintf("sheet: %s\n", error.c_str());
    screen.Close();
    return -1;
  }
  TerminalWindow* outer = running;
  running = &window;
  sheet.Create(&window);
  int result = window.Run();
  running = outer;
  screen.Close();
  return result;
}

bool ShowBoxInSheetWindow(const std::string& title, const std::string& text, unsigned style, int timeoutSeconds,
                          int* answer) {
  if (running) {
    *answer = running->Box(title, text, style, timeoutSeconds);
    return true;
  }
  // No sheet: the box alone, on a terminal of its own while it shows.
  terminal::Screen screen;
  std::string error;
  if (!screen.Open(&error)) return false;
  *answer = terminal::RunMessageBox(
      screen, [&screen] { screen.Clear(); }, title, text, style, timeoutSeconds, platform::kIdTimeout);
  screen.Close();
  return true;
}

}  // namespace dialog
