// Windows-1252 texts on a terminal: each byte as a character the terminal's
// encoding can show (an accented letter without its accent where the
// encoding lacks it, '?' for control bytes), and words wrapped into lines.
#pragma once

#include <string>
#include <vector>

namespace terminal {

// The character to draw for one Windows-1252 byte.
wchar_t Displayable(unsigned char byte);

// `text` cut into lines of at most `width` characters at blanks ('\n'
// breaks too); a word longer than a line is cut.
std::vector<std::string> Wrap(const std::string& text, int width);

// From the terminal's keyboard: the Windows-1252 byte of a typed character,
// 0 when it has none (or is a control).
char TypedByte(wchar_t c);

}  // namespace terminal
