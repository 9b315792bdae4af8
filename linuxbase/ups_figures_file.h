// The file of a USB UPS's figures (core/ups_figures.h) on disk: written
// whole by the program wired to the UPS, read by the gateways beside it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace linuxbase {

// Writes `text` to `path` through a file beside it renamed over it, so that
// a reader sees the old file or the new one, never part of one. Readable by
// all (the gateways run as users of their own). On failure, the old file is
// left and `error` says which call failed.
bool WriteUpsFiguresFile(const char* path, std::string_view text, std::string* error);

// The file's bytes; nothing when it is missing, unreadable or longer than
// `max` bytes.
std::optional<std::string> ReadUpsFiguresFile(const char* path, size_t max);

// Removes the file, and a leftover of an interrupted write. A missing file
// is no failure.
bool RemoveUpsFiguresFile(const char* path);

}  // namespace linuxbase
