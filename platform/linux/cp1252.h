// The programs' ANSI code page, Windows-1252, as UTF-8 for the terminal
// and the files of the Linux stand-ins.
#pragma once

#include <string>
#include <string_view>

namespace platform {

// Every byte becomes its Windows-1252 character; the five bytes the code
// page leaves unassigned become the control characters of the same number,
// as Windows converts them.
std::string Utf8FromCp1252(std::string_view text);

}  // namespace platform
