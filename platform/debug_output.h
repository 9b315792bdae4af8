// Debug output: diagnostics meant for a developer watching the program
// (OutputDebugString on Windows, standard error here). Never fails visibly.
#pragma once

namespace platform {

// Writes `text` as it is; callers end their lines themselves.
void DebugOutput(const char* text);

// Formats like printf into a 512-byte buffer, cut to fit, and writes it.
void DebugPrintf(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace platform
