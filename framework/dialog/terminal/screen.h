// The terminal as the sheet's renderer uses it, over ncurses: started on
// the controlling terminal (so a program whose standard streams are pipes
// still draws), Windows-1252 texts put at cells, frames, and keys read as
// the dialog model's keys (Alt+key also as Escape then the key).
#pragma once

#include <chrono>
#include <optional>
#include <string>

#include "framework/dialog/keys.h"

namespace terminal {

enum Attr : unsigned {
  kPlain = 0,
  kBold = 1u << 0,
  kReverse = 1u << 1,
  kUnderline = 1u << 2,
  kDim = 1u << 3,
};

struct Event {
  // kResize also stands for "draw everything again" (Ctrl+L).
  enum Kind { kKey, kResize, kNothing } kind = kNothing;
  dialog::Key key;
};

class Screen {
 public:
  // Opens the terminal; false when there is none (no /dev/tty, no terminfo).
  bool Open(std::string* error);
  void Close();
  bool IsOpen() const { return open_; }

  // The descriptor the keys come from, for a loop that waits on it.
  int InputDescriptor() const;

  int Columns() const;
  int Rows() const;

  void Clear();
  // Puts `text` (Windows-1252) at row, column, at most `width` cells. With
  // `mnemonic`, "&x" shows x underlined and "&&" one '&'.
  void Put(int row, int column, const std::string& text, int width, unsigned attr, bool mnemonic = false);
  void Fill(int row, int column, int width, unsigned attr);
  void Frame(int top, int left, int bottom, int right, unsigned attr);
  void HorizontalLine(int row, int left, int right, unsigned attr);
  void Cursor(int row, int column);  // -1: hidden
  void Refresh();
  // The next Refresh repaints every cell (after someone else wrote to the
  // terminal).
  void RepaintAll();

  // Waits up to `timeoutMs` (-1: for ever) for a key or a resize.
  Event Next(int timeoutMs);

 private:
  bool open_ = false;
  void* terminal_ = nullptr;  // the ncurses SCREEN
  void* in_ = nullptr;        // FILE* of the terminal
  void* out_ = nullptr;
  // Key repeat: the same arrow again soon after counts as still held.
  int lastArrow_ = -1;
  std::chrono::steady_clock::time_point heldSince_, lastPress_;
};

}  // namespace terminal
