// The sheet in the terminal: drawn by terminal::SheetView, driven by the
// keyboard through the model's keyboard rules, with the pages' timers and
// boxes served here. The terminal is the process's controlling terminal.
#include "platform/dialog_window.h"

#include <algorithm>
#include <chrono>
#include <vector>

#include "platform/debug_output.h"
#include "platform/linux/terminal/boxes.h"
#include "platform/linux/terminal/screen.h"
#include "platform/linux/terminal/sheet_view.h"

namespace platform {
namespace {

using Clock = std::chrono::steady_clock;

class TerminalWindow : public dialog::DialogHost {
 public:
  TerminalWindow(terminal::Screen& screen, dialog::CTabSheet& sheet) : screen_(screen), sheet_(sheet), view_(screen, sheet) {}

  void SetTimer(dialog::CDialog* owner, int id, int ms) override {
    KillTimer(owner, id);
    timers_.push_back({owner, id, std::max(1, ms), Clock::now() + std::chrono::milliseconds(ms)});
  }
  void KillTimer(dialog::CDialog* owner, int id) override {
    std::erase_if(timers_, [&](const Timer& t) { return t.owner == owner && t.id == id; });
  }
  int ShowMessageBox(dialog::CDialog*, const std::string& text, const std::string& caption, unsigned style) override {
    return terminal::RunMessageBox(screen_, [this] { view_.Draw(); }, caption, text, style, 0, 0);
  }
  bool ChooseFile(dialog::CDialog*, const dialog::FileOpenRequest& request, std::string* path) override {
    return terminal::RunFileChooser(screen_, [this] { view_.Draw(); }, request, path);
  }

  int Box(const std::string& title, const std::string& text, unsigned style, int timeoutSeconds) {
    return terminal::RunMessageBox(screen_, [this] { view_.Draw(); }, title, text, style, timeoutSeconds, kBoxTimeout);
  }

  int Run() {
    while (!sheet_.Ended()) {
      view_.Draw();
      terminal::Event event = screen_.Next(MillisecondsToNextTimer());
      if (event.kind == terminal::Event::kKey && view_.Fits()) sheet_.HandleKey(event.key);
      FireDueTimers();
    }
    return sheet_.Result();
  }

 private:
  struct Timer {
    dialog::CDialog* owner;
    int id;
    int periodMs;
    Clock::time_point due;
  };

  int MillisecondsToNextTimer() const {
    if (timers_.empty()) return -1;
    auto next = std::min_element(timers_.begin(), timers_.end(), [](const Timer& a, const Timer& b) {
                  return a.due < b.due;
                })->due;
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(next - Clock::now()).count();
    return static_cast<int>(std::clamp<long long>(ms, 0, 60000));
  }

  void FireDueTimers() {
    auto now = Clock::now();
    // A page may kill or set timers from its OnTimer: work on a copy.
    std::vector<Timer> due;
    for (Timer& t : timers_)
      if (t.due <= now) {
        due.push_back(t);
        // One message per period at most, however late.
        t.due = now + std::chrono::milliseconds(t.periodMs);
      }
    for (const Timer& t : due) t.owner->OnTimer(t.id);
  }

  terminal::Screen& screen_;
  dialog::CTabSheet& sheet_;
  terminal::SheetView view_;
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
  *answer = terminal::RunMessageBox(screen, [&screen] { screen.Clear(); }, title, text, style, timeoutSeconds,
                                    kBoxTimeout);
  screen.Close();
  return true;
}

}  // namespace platform
