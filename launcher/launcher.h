// The CD launcher: looks the command tail up in "arquivos.txt" and opens
// what it names (a program, a PDF, a text shown in Notepad), telling every
// failure in a message box.
#pragma once

#include <cstdint>
#include <string>

#include "platform/message_box.h"

namespace launcher {

// What the launcher asks of its system; the real one goes to the platform
// layer, the tests record.
class LauncherSystem {
 public:
  virtual ~LauncherSystem() = default;
  // The text of "arquivos.txt" in the current directory; false when it
  // cannot be opened.
  virtual bool ReadConfiguration(std::string* text) = 0;
  // ShellExecuteA(no window, "open", file, parameters, no directory, show).
  virtual intptr_t Open(const char* file, const char* parameters, int show) = 0;
  virtual void Box(const char* caption, const char* text, uint32_t style) = 0;
};

inline constexpr const char* kErrorCaption = "Launcher - ERRO!";
inline constexpr uint32_t kErrorStyle = platform::kMbIconError;

// Runs the launcher for `tail`, the whole command tail (its key).
void RunLauncher(const std::string& tail, LauncherSystem& system);

// The text of `format` with its one "%s" replaced by `value`, formatted
// into a buffer that holds the longest template with a path of the
// platform's maximum length, cut there and never written past its end.
std::string FormatMessage(const char* format, const std::string& value);

}  // namespace launcher
