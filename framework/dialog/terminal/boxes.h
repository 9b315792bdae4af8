// Modal boxes drawn over the sheet in the terminal: message boxes with
// their buttons (and an optional time-out), and a small file chooser.
#pragma once

#include <functional>
#include <string>

#include "framework/dialog/host.h"
#include "framework/dialog/terminal/screen.h"

namespace terminal {

// Redraws what lies under the box.
using Background = std::function<void()>;

// Shows the box until it is answered: the answer (the ID* numbers), or
// `timeoutAnswer` once `timeoutSeconds` (0: never) have passed.
int RunMessageBox(Screen& screen, const Background& background, const std::string& title, const std::string& text,
                  unsigned style, int timeoutSeconds, int timeoutAnswer);

// Lets the user pick an existing file, starting in the current directory,
// through the request's filters. True with its full path.
bool RunFileChooser(Screen& screen, const Background& background, const dialog::FileOpenRequest& request,
                    std::string* path);

// Whether `name` matches one of `patterns` ("*.bat; *.cmd"), ignoring case
// as Windows does.
bool MatchesFilter(const std::string& name, const std::string& patterns);

}  // namespace terminal
