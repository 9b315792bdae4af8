// The monitoring program's messages to people: boxes in the session at the
// machine's console (usable from a service), titled "Alerta", with a 10 s
// time-out that the caller waits for; and debug lines.
#pragma once

#include <cstdint>

#include "platform/message_box.h"

// Its boxes, made of the system's styles; the answers are the system's
// (platform::kIdYes and the rest).
inline constexpr uint32_t kWarningStyle = platform::kMbIconExclamation;
inline constexpr uint32_t kServiceWarningStyle = kWarningStyle | platform::kMbServiceNotification;
inline constexpr uint32_t kQuestionStyle = platform::kMbIconExclamation | platform::kMbYesNo;

// Each formats into 1024 bytes (longer texts are cut) and returns the
// answer: 1 for OK, 6 Yes, 7 No, 32000 on the time-out, 0 when the box
// could not be shown.
int ShowWarning(const char* format, ...) __attribute__((format(printf, 1, 2)));
int ShowServiceWarning(const char* format, ...) __attribute__((format(printf, 1, 2)));
int AskUser(uint32_t style, const char* format, ...) __attribute__((format(printf, 2, 3)));

// Formats into 512 bytes and writes the line to the debug output.
void DebugLine(const char* format, ...) __attribute__((format(printf, 1, 2)));
