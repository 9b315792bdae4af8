#include "framework/dialog/terminal/screen.h"

#include <clocale>
#include <cstdio>
#include <cstring>
#include <curses.h>

#include "framework/dialog/terminal/text.h"
#include "platform/terminal_linux.h"

namespace terminal {
namespace {

// An Escape followed by a key within this long is Alt with that key.
constexpr int kAltAfterEscapeMs = 1000;
// Presses of the same arrow closer than this are one hold (key repeat).
constexpr int kRepeatGapMs = 600;

attr_t Curses(unsigned attr) {
  attr_t a = A_NORMAL;
  if (attr & kBold) a |= A_BOLD;
  if (attr & kReverse) a |= A_REVERSE;
  if (attr & kUnderline) a |= A_UNDERLINE;
  if (attr & kDim) a |= A_DIM;
  return a;
}

void PutChar(int row, int column, wchar_t c, attr_t attr) {
  wchar_t text[2] = {c, 0};
  cchar_t cell;
  setcchar(&cell, text, attr, 0, nullptr);
  mvadd_wch(row, column, &cell);
}

}  // namespace

bool Screen::Open(std::string* error) {
  if (open_) return true;
  // Characters outside ASCII need the user's encoding.
  std::setlocale(LC_CTYPE, "");
  FILE* in = nullptr;
  FILE* out = nullptr;
  if (!platform::OpenControllingTerminal(&in, &out, error)) return false;
  SCREEN* screen = newterm(nullptr, out, in);
  if (!screen) {
    std::fclose(in);
    std::fclose(out);
    *error = "the terminal's type is unknown (TERM)";
    return false;
  }
  set_term(screen);
  terminal_ = screen;
  in_ = in;
  out_ = out;
  set_escdelay(25);
  raw();
  noecho();
  nonl();
  keypad(stdscr, TRUE);
  curs_set(0);
  open_ = true;
  return true;
}

void Screen::Close() {
  if (!open_) return;
  endwin();
  delscreen(static_cast<SCREEN*>(terminal_));
  std::fclose(static_cast<FILE*>(in_));
  std::fclose(static_cast<FILE*>(out_));
  open_ = false;
}

int Screen::InputDescriptor() const { return in_ ? fileno(static_cast<FILE*>(in_)) : -1; }

int Screen::Columns() const { return COLS; }
int Screen::Rows() const { return LINES; }

void Screen::Clear() { erase(); }

void Screen::Put(int row, int column, const std::string& text, int width, unsigned attr, bool mnemonic) {
  if (row < 0 || row >= LINES) return;
  attr_t base = Curses(attr);
  int used = 0;
  for (size_t i = 0; i < text.size() && used < width; ++i) {
    attr_t a = base;
    if (mnemonic && text[i] == '&' && i + 1 < text.size()) {
      ++i;
      if (text[i] != '&') a |= A_UNDERLINE;
    }
    int at = column + used++;
    if (at >= 0 && at < COLS) PutChar(row, at, Displayable(static_cast<unsigned char>(text[i])), a);
  }
}

void Screen::Fill(int row, int column, int width, unsigned attr) {
  for (int i = 0; i < width; ++i)
    if (column + i >= 0 && column + i < COLS && row >= 0 && row < LINES) PutChar(row, column + i, L' ', Curses(attr));
}

void Screen::Frame(int top, int left, int bottom, int right, unsigned attr) {
  attr_t a = Curses(attr);
  attron(a);
  mvhline(top, left + 1, ACS_HLINE, right - left - 1);
  mvhline(bottom, left + 1, ACS_HLINE, right - left - 1);
  mvvline(top + 1, left, ACS_VLINE, bottom - top - 1);
  mvvline(top + 1, right, ACS_VLINE, bottom - top - 1);
  mvaddch(top, left, ACS_ULCORNER);
  mvaddch(top, right, ACS_URCORNER);
  mvaddch(bottom, left, ACS_LLCORNER);
  mvaddch(bottom, right, ACS_LRCORNER);
  attroff(a);
}

void Screen::HorizontalLine(int row, int left, int right, unsigned attr) {
  attr_t a = Curses(attr);
  attron(a);
  mvhline(row, left, ACS_HLINE, right - left + 1);
  attroff(a);
}

void Screen::Cursor(int row, int column) {
  if (row < 0) {
    curs_set(0);
    return;
  }
  curs_set(1);
  move(row, column);
}

void Screen::Refresh() { refresh(); }

void Screen::RepaintAll() { clearok(curscr, TRUE); }

Event Screen::Next(int timeoutMs) {
  timeout(timeoutMs);
  wint_t c = 0;
  int kind = get_wch(&c);
  if (kind == ERR) return Event{};
  Event event;
  event.kind = Event::kKey;
  dialog::Key& key = event.key;
  if (kind == KEY_CODE_YES) {
    switch (c) {
      case KEY_RESIZE:
        event.kind = Event::kResize;
        return event;
      case KEY_UP:
        key.code = dialog::Key::kUp;
        break;
      case KEY_DOWN:
        key.code = dialog::Key::kDown;
        break;
      case KEY_LEFT:
        key.code = dialog::Key::kLeft;
        break;
      case KEY_RIGHT:
        key.code = dialog::Key::kRight;
        break;
      case KEY_HOME:
        key.code = dialog::Key::kHome;
        break;
      case KEY_END:
        key.code = dialog::Key::kEnd;
        break;
      case KEY_BTAB:
        key.code = dialog::Key::kBackTab;
        break;
      case KEY_ENTER:
        key.code = dialog::Key::kEnter;
        break;
      case KEY_BACKSPACE:
        key.code = dialog::Key::kBackspace;
        break;
      default:
        return Event{};
    }
    auto now = std::chrono::steady_clock::now();
    bool arrow = key.code == dialog::Key::kUp || key.code == dialog::Key::kDown;
    if (arrow) {
      if (static_cast<int>(c) != lastArrow_ || now - lastPress_ > std::chrono::milliseconds(kRepeatGapMs))
        heldSince_ = now;
      key.heldMs = static_cast<int>(std::chrono::duration_cast<std::chrono::milliseconds>(now - heldSince_).count());
      lastPress_ = now;
    }
    lastArrow_ = arrow ? static_cast<int>(c) : -1;
    return event;
  }
  lastArrow_ = -1;
  switch (c) {
    case 27: {
      // Alt sends Escape before the key; so does a person without Alt.
      timeout(kAltAfterEscapeMs);
      wint_t next = 0;
      int nextKind = get_wch(&next);
      if (nextKind == OK && next != 27 && TypedByte(static_cast<wchar_t>(next))) {
        key = dialog::CharKey(TypedByte(static_cast<wchar_t>(next)), true);
        return event;
      }
      if (nextKind == KEY_CODE_YES && next == KEY_RESIZE) {
        event.kind = Event::kResize;
        return event;
      }
      key.code = dialog::Key::kEscape;
      return event;
    }
    case 12:  // Ctrl+L
      RepaintAll();
      event.kind = Event::kResize;
      return event;
    case '\t':
      key.code = dialog::Key::kTab;
      return event;
    case '\r':
    case '\n':
      key.code = dialog::Key::kEnter;
      return event;
    case ' ':
      key.code = dialog::Key::kSpace;
      return event;
    case 8:
    case 127:
      key.code = dialog::Key::kBackspace;
      return event;
    default:
      break;
  }
  char byte = TypedByte(static_cast<wchar_t>(c));
  if (!byte) return Event{};
  key = dialog::CharKey(byte);
  return event;
}

}  // namespace terminal
