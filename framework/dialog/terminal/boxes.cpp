#include "framework/dialog/terminal/boxes.h"

#include <algorithm>
#include <chrono>
#include <fnmatch.h>
#include <vector>

#include "platform/folder_listing_linux.h"
#include "platform/win1252.h"
#include "framework/dialog/terminal/text.h"

namespace terminal {
namespace {

struct Button {
  const char* label;
  int answer;
  char shortcut;
};

std::vector<Button> ButtonsOf(unsigned style) {
  switch (style & 0xF) {
    case 1:
      return {{"OK", 1, 'O'}, {"Cancelar", 2, 'C'}};
    case 3:
      return {{"Sim", 6, 'S'}, {"N\xE3o", 7, 'N'}, {"Cancelar", 2, 'C'}};
    case 4:
      return {{"Sim", 6, 'S'}, {"N\xE3o", 7, 'N'}};
    default:
      return {{"OK", 1, 'O'}};
  }
}

const char* IconOf(unsigned style) {
  switch (style & 0xF0) {
    case 0x10:
      return "(X) ";
    case 0x20:
      return "(?) ";
    case 0x30:
      return "(!) ";
    case 0x40:
      return "(i) ";
    default:
      return "";
  }
}

// Where a box of `width` by `height` sits: the middle of the screen.
void Place(Screen& screen, int width, int height, int* top, int* left) {
  *top = std::max(0, (screen.Rows() - height) / 2);
  *left = std::max(0, (screen.Columns() - width) / 2);
}

void DrawFrame(Screen& screen, int top, int left, int height, int width, const std::string& title) {
  for (int r = 0; r < height; ++r) screen.Fill(top + r, left, width, kPlain);
  screen.Frame(top, left, top + height - 1, left + width - 1, kBold);
  screen.Put(top, left + 2, " " + title + " ", width - 4, kBold);
}

}  // namespace

int RunMessageBox(Screen& screen, const Background& background, const std::string& title, const std::string& text,
                  unsigned style, int timeoutSeconds, int timeoutAnswer) {
  std::vector<Button> buttons = ButtonsOf(style);
  // A Yes/No box starts on its first button, as Windows does.
  int chosen = 0;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(timeoutSeconds);
  for (;;) {
    int width = std::min(72, std::max(20, screen.Columns() - 2));
    std::vector<std::string> lines = Wrap(IconOf(style) + text, width - 4);
    int height = std::min(static_cast<int>(lines.size()) + 5, std::max(6, screen.Rows()));
    int top = 0, left = 0;
    Place(screen, width, height, &top, &left);
    background();
    DrawFrame(screen, top, left, height, width, title);
    for (int i = 0; i < height - 5 && i < static_cast<int>(lines.size()); ++i)
      screen.Put(top + 2 + i, left + 2, lines[i], width - 4, kPlain);
    int total = 0;
    for (const Button& b : buttons) total += static_cast<int>(std::string(b.label).size()) + 6;
    int column = left + std::max(1, (width - total) / 2);
    int buttonRow = top + height - 2, cursorColumn = column;
    for (size_t i = 0; i < buttons.size(); ++i) {
      std::string label = std::string("[ ") + buttons[i].label + " ]";
      bool current = static_cast<int>(i) == chosen;
      screen.Put(buttonRow, column, label, static_cast<int>(label.size()), current ? kReverse | kBold : kBold);
      if (current) cursorColumn = column + 2;
      column += static_cast<int>(label.size()) + 2;
    }
    int waitMs = -1;
    if (timeoutSeconds > 0) {
      auto remaining =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
      if (remaining.count() <= 0) return timeoutAnswer;
      std::string note = "(" + std::to_string((remaining.count() + 999) / 1000) + " s)";
      screen.Put(top + height - 1, left + width - 2 - static_cast<int>(note.size()), note,
                 static_cast<int>(note.size()), kDim);
      waitMs = static_cast<int>(std::min<long>(remaining.count(), 1000));
    }
    screen.Cursor(buttonRow, cursorColumn);
    screen.Refresh();

    Event event = screen.Next(waitMs);
    if (event.kind != Event::kKey) continue;
    const dialog::Key& key = event.key;
    int count = static_cast<int>(buttons.size());
    switch (key.code) {
      case dialog::Key::kLeft:
      case dialog::Key::kBackTab:
        chosen = (chosen + count - 1) % count;
        break;
      case dialog::Key::kRight:
      case dialog::Key::kTab:
        chosen = (chosen + 1) % count;
        break;
      case dialog::Key::kEnter:
      case dialog::Key::kSpace:
        return buttons[chosen].answer;
      case dialog::Key::kEscape:
        // Escape answers as the close box does: Cancel, else No, else OK.
        for (int answer : {2, 7, 1})
          for (const Button& b : buttons)
            if (b.answer == answer) return answer;
        return buttons.back().answer;
      case dialog::Key::kChar:
        for (const Button& b : buttons)
          if (win1252::ToUpper(static_cast<uint8_t>(key.ch)) == static_cast<uint8_t>(b.shortcut)) return b.answer;
        break;
      default:
        break;
    }
  }
}

bool MatchesFilter(const std::string& name, const std::string& patterns) {
  size_t start = 0;
  while (start < patterns.size()) {
    size_t end = patterns.find(';', start);
    if (end == std::string::npos) end = patterns.size();
    std::string pattern = patterns.substr(start, end - start);
    pattern.erase(0, pattern.find_first_not_of(' '));
    pattern.erase(pattern.find_last_not_of(' ') + 1);
    // "*.*" is every file, with or without a dot, as on Windows.
    if (pattern == "*.*" || pattern == "*") return true;
    if (!pattern.empty() && fnmatch(pattern.c_str(), name.c_str(), FNM_CASEFOLD) == 0) return true;
    start = end + 1;
  }
  return false;
}

namespace {

struct Entry {
  std::string name;
  bool directory;
};

std::vector<Entry> ListDirectory(const std::string& dir, const std::string& patterns) {
  std::vector<Entry> entries;
  if (dir != "/") entries.push_back({"..", true});
  for (const platform::FolderEntry& e : platform::ListFolder(dir))
    if (e.directory || (e.regularFile && MatchesFilter(e.name, patterns))) entries.push_back({e.name, e.directory});
  std::sort(entries.begin() + (dir != "/" ? 1 : 0), entries.end(), [](const Entry& a, const Entry& b) {
    if (a.directory != b.directory) return a.directory;
    return a.name < b.name;
  });
  return entries;
}

std::string Parent(const std::string& dir) {
  size_t slash = dir.find_last_of('/');
  return slash == 0 || slash == std::string::npos ? "/" : dir.substr(0, slash);
}

}  // namespace

bool RunFileChooser(Screen& screen, const Background& background, const dialog::FileOpenRequest& request,
                    std::string* path) {
  std::string dir = platform::CurrentFolder();
  size_t filter = 0;
  int selected = 0;
  std::vector<Entry> entries;
  bool reload = true;
  for (;;) {
    const std::string patterns = request.filters.empty() ? "*.*" : request.filters[filter].patterns;
    if (reload) {
      entries = ListDirectory(dir, patterns);
      selected = std::min(selected, std::max(0, static_cast<int>(entries.size()) - 1));
      reload = false;
    }
    int width = std::min(72, std::max(20, screen.Columns() - 2));
    int height = std::min(20, std::max(8, screen.Rows() - 2));
    int top = 0, left = 0;
    Place(screen, width, height, &top, &left);
    background();
    DrawFrame(screen, top, left, height, width, "Abrir");
    // Paths are the system's bytes; shown as Windows-1252 they stay legible.
    screen.Put(top + 1, left + 2, dir, width - 4, kBold);
    int rows = height - 5;
    int first = std::max(0, selected - rows + 1);
    for (int i = 0; i < rows && first + i < static_cast<int>(entries.size()); ++i) {
      const Entry& e = entries[first + i];
      screen.Put(top + 2 + i, left + 2, e.directory ? e.name + "/" : e.name, width - 4,
                 first + i == selected ? kReverse : kPlain);
    }
    std::string label = request.filters.empty() ? "*.*" : request.filters[filter].label;
    screen.Put(top + height - 3, left + 2, "Tipo (Tab): " + label, width - 4, kDim);
    screen.Put(top + height - 2, left + 2, "Enter: abrir   Backspace: acima   Esc: cancelar", width - 4, kDim);
    screen.Cursor(top + 2 + selected - first, left + 2);
    screen.Refresh();

    Event event = screen.Next(-1);
    if (event.kind != Event::kKey) continue;
    switch (event.key.code) {
      case dialog::Key::kUp:
        selected = std::max(0, selected - 1);
        break;
      case dialog::Key::kDown:
        selected = std::min(static_cast<int>(entries.size()) - 1, selected + 1);
        break;
      case dialog::Key::kTab:
        if (!request.filters.empty()) filter = (filter + 1) % request.filters.size();
        reload = true;
        break;
      case dialog::Key::kBackspace:
        dir = Parent(dir);
        selected = 0;
        reload = true;
        break;
      case dialog::Key::kEscape:
        return false;
      case dialog::Key::kEnter: {
        if (entries.empty()) break;
        const Entry& e = entries[selected];
        if (e.name == "..") {
          dir = Parent(dir);
        } else if (e.directory) {
          dir = (dir == "/" ? "" : dir) + "/" + e.name;
        } else {
          std::string chosen = (dir == "/" ? "" : dir) + "/" + e.name;
          // The path must exist when the dialog asks for it.
          if (request.mustExist && !platform::PathExists(chosen)) break;
          *path = chosen;
          return true;
        }
        selected = 0;
        reload = true;
        break;
      }
      default:
        break;
    }
  }
}

}  // namespace terminal
