// A terminal for the tests of programs that draw on one: a tmux server of
// the test's own, one window of a given size running a command, keys sent
// to it and the screen read back as text.
#pragma once

#include <string>
#include <vector>

class TmuxTerminal {
 public:
  // Starts `command` (run by /bin/sh) in a window of `columns` by `rows`.
  TmuxTerminal(const std::string& command, int columns, int rows);
  ~TmuxTerminal();
  TmuxTerminal(const TmuxTerminal&) = delete;
  TmuxTerminal& operator=(const TmuxTerminal&) = delete;

  // tmux key names ("Enter", "Escape", "Tab", "Space", "M-x", "Down") or
  // literal text with `literal`.
  void Send(const std::string& keys, bool literal = false);
  void Resize(int columns, int rows);
  std::string Screen() const;
  // Waits until the screen shows `text` (UTF-8); false after timeoutMs.
  bool WaitFor(const std::string& text, int timeoutMs = 10000) const;
  // Whether the command has ended (the window is gone).
  bool Ended() const;
  bool WaitEnded(int timeoutMs = 10000) const;

 private:
  std::vector<std::string> Tmux(std::vector<std::string> args) const;
  std::string socket_;
};
