// A key as the sheet's keyboard rules see it, whatever produced it (a
// terminal's escape sequences, a Windows key message).
#pragma once

namespace dialog {

struct Key {
  enum Code { kChar, kTab, kBackTab, kEnter, kEscape, kUp, kDown, kLeft, kRight, kSpace, kBackspace, kHome, kEnd };
  Code code = kChar;
  bool alt = false;
  char ch = 0;     // kChar: the character, Windows-1252
  int heldMs = 0;  // arrows: how long this arrow has been held (key repeat)
};

inline Key CharKey(char ch, bool alt = false) { return Key{Key::kChar, alt, ch, 0}; }
inline Key CodeKey(Key::Code code, int heldMs = 0) { return Key{code, false, 0, heldMs}; }

}  // namespace dialog
