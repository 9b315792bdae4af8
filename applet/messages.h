// The applet's questions and warnings, and its debug lines.
//
// SessionMessageBox formats into a 1024-byte buffer (cut to fit, never past
// its end) and shows the text with the message title in the active console
// session, waiting at most 10 seconds. It returns the answer (6 Yes, 7 No;
// a box that times out is neither), or -1 when the buffer cannot be had.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <functional>
#include <string>

#include "platform/message_box.h"

namespace applet {

// The applet's boxes, made of the system's styles; the answers are the
// system's (platform::kIdYes and the rest).
inline constexpr unsigned kStyleWarning = platform::kMbIconExclamation;
inline constexpr unsigned kStyleYesNo = platform::kMbYesNo;
inline constexpr unsigned kStyleQuestion = platform::kMbYesNo | platform::kMbIconQuestion;
inline constexpr unsigned kStyleWarningYesNo = platform::kMbYesNo | platform::kMbIconExclamation;
inline constexpr unsigned kStyleServiceWarning = platform::kMbIconExclamation | platform::kMbServiceNotification;

inline constexpr size_t kMessageBufferBytes = 1024;
inline constexpr unsigned kSessionBoxSeconds = 10;
inline constexpr size_t kTitleBytes = 64;

int SessionMessageBox(unsigned style, const char* format, ...) __attribute__((format(printf, 2, 3)));
void DebugPrint(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The title above every box: "Alerta" at load; the opening sequence sets
// the settings title. Cut to 63 bytes.
void SetMessageTitle(const char* title);
const char* MessageTitle();

// Where the formatted boxes go: the session boxes by default; a host with
// a terminal of its own, or a test, puts its own here. An empty function
// restores the default.
using BoxShower = std::function<int(const std::string& title, const std::string& text, unsigned style)>;
void SetBoxShower(BoxShower shower);

// Formats like vsnprintf into `buffer` of `size` bytes, cut to fit; the
// text's length.
size_t FormatBounded(char* buffer, size_t size, const char* format, va_list args);

}  // namespace applet
