// Message boxes shown to the user at the machine's console, after
// WTSSendMessageA on the session attached to the physical console
// (WTSGetActiveConsoleSessionId): usable by a service too. Texts are in the
// programs' ANSI code page (Windows-1252).
#pragma once

#include <cstdint>

namespace platform {

// Styles (the Win32 MB_* bits used by the programs), for every box of the
// suite: these, the sheet's and the programs' own.
inline constexpr uint32_t kMbOk = 0x0;
inline constexpr uint32_t kMbYesNo = 0x4;
inline constexpr uint32_t kMbIconError = 0x10;
inline constexpr uint32_t kMbIconQuestion = 0x20;
inline constexpr uint32_t kMbIconExclamation = 0x30;
inline constexpr uint32_t kMbServiceNotification = 0x200000;

// Answers (the Win32 ID* numbers).
inline constexpr int32_t kIdOk = 1;
inline constexpr int32_t kIdYes = 6;
inline constexpr int32_t kIdNo = 7;
inline constexpr int32_t kIdTimeout = 32000;
inline constexpr int32_t kIdAsync = 32001;

// Shows the box and, with `wait`, waits up to timeoutSeconds (0: no limit)
// for the answer, stored in *answer (kIdTimeout when nobody answered in
// time; kIdAsync without `wait`). False when the box could not be sent,
// with *error the system's error code.
bool SendSessionMessage(const char* title, const char* text, uint32_t style, uint32_t timeoutSeconds, bool wait,
                        int32_t* answer, uint32_t* error);

// Whether somebody answers these boxes: on Windows the console session
// always does; on Linux only while a session broker (vigil-session)
// listens. Without one, a box's text goes to standard error unanswered.
bool SessionListenerPresent();

}  // namespace platform
