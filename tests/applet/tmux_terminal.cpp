#include "tests/applet/tmux_terminal.h"

#include <unistd.h>

#include <atomic>

#include "sandbox.h"

namespace {

std::atomic<int> sessions{0};

}  // namespace

std::vector<std::string> TmuxTerminal::Tmux(std::vector<std::string> args) const {
  args.insert(args.begin(), {"tmux", "-L", socket_});
  return args;
}

TmuxTerminal::TmuxTerminal(const std::string& command, int columns, int rows)
    : socket_("vigil-test-" + std::to_string(getpid()) + "-" + std::to_string(sessions++)) {
  // remain-on-exit keeps nothing: the window closes with its program.
  RunProcess(Tmux({"-f", "/dev/null", "new-session", "-d", "-x", std::to_string(columns), "-y", std::to_string(rows),
                   "env LANG=C.UTF-8 TERM=xterm-256color " + command}),
             10000);
}

TmuxTerminal::~TmuxTerminal() { RunProcess(Tmux({"kill-server"}), 10000); }

void TmuxTerminal::Send(const std::string& keys, bool literal) {
  std::vector<std::string> args{"send-keys", "-t", "0"};
  if (literal) args.push_back("-l");
  args.push_back(keys);
  RunProcess(Tmux(args), 10000);
}

void TmuxTerminal::Resize(int columns, int rows) {
  RunProcess(Tmux({"resize-window", "-t", "0", "-x", std::to_string(columns), "-y", std::to_string(rows)}), 10000);
}

std::string TmuxTerminal::Screen() const { return RunProcess(Tmux({"capture-pane", "-p", "-t", "0"}), 10000).out; }

bool TmuxTerminal::WaitFor(const std::string& text, int timeoutMs) const {
  return WaitUntil([&] { return Screen().find(text) != std::string::npos; }, timeoutMs);
}

bool TmuxTerminal::Ended() const { return RunProcess(Tmux({"has-session"}), 10000).status != 0; }

bool TmuxTerminal::WaitEnded(int timeoutMs) const {
  return WaitUntil([&] { return Ended(); }, timeoutMs);
}
