// One request line of NUT's network protocol, split into words the way upsd
// splits it: blanks separate words, "double quotes" make one word of what
// they hold, a backslash takes the next character as it is, and '#' outside
// quotes starts a comment. Pure: no state between lines.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vigil_nut {

inline constexpr size_t kMaxLineBytes = 512;  // without the line end
inline constexpr size_t kMaxWords = 16;

enum class LineVerdict {
  kWords,    // `words` holds the request (possibly none: an empty line)
  kRefused,  // a byte outside printable ASCII, a quote left open, a '#'
             // inside quotes, too long or too many words: not acted on
};

// `line` is the text before the '\n', a '\r' just before it already taken
// away. `words` is cleared first.
LineVerdict SplitCommandLine(std::string_view line, std::vector<std::string>* words);

}  // namespace vigil_nut
