#include "framework/dialog/terminal/text.h"

#include <climits>
#include <cstdlib>
#include <cwchar>

#include "platform/win1252.h"

namespace terminal {
namespace {

// The letter under the accent, for encodings without Latin-1.
char BaseLetter(char32_t c) {
  static const char* const kLatin1 = "AAAAAAACEEEEIIIIDNOOOOOxOUUUUYTsaaaaaaaceeeeiiiidnooooo/ouuuuyty";
  if (c >= 0xC0 && c <= 0xFF) return kLatin1[c - 0xC0];
  return '?';
}

bool Encodable(wchar_t c) {
  char bytes[MB_LEN_MAX];
  std::mbstate_t state{};
  return std::wcrtomb(bytes, c, &state) != static_cast<size_t>(-1);
}

}  // namespace

wchar_t Displayable(unsigned char byte) {
  if (byte < 0x20 || byte == 0x7F) return L'?';
  char32_t c = win1252::ToUnicode(byte);
  if (c < 0x80) return static_cast<wchar_t>(c);
  if (Encodable(static_cast<wchar_t>(c))) return static_cast<wchar_t>(c);
  return static_cast<wchar_t>(BaseLetter(c));
}

std::vector<std::string> Wrap(const std::string& text, int width) {
  std::vector<std::string> lines;
  if (width <= 0) return lines;
  size_t start = 0;
  while (start <= text.size()) {
    size_t stop = text.find('\n', start);
    if (stop == std::string::npos) stop = text.size();
    std::string line;
    size_t i = start;
    while (i < stop) {
      size_t end = text.find(' ', i);
      if (end == std::string::npos || end > stop) end = stop;
      std::string word = text.substr(i, end - i);
      i = end + 1;
      if (!line.empty() && static_cast<int>(line.size() + 1 + word.size()) > width) {
        lines.push_back(line);
        line.clear();
      }
      while (static_cast<int>(word.size()) > width) {
        lines.push_back(word.substr(0, width));
        word.erase(0, width);
      }
      line += line.empty() ? word : " " + word;
    }
    lines.push_back(line);
    start = stop + 1;
  }
  return lines;
}

char TypedByte(wchar_t c) {
  if (c < 0x20 || c == 0x7F) return 0;
  int byte = win1252::FromUnicode(static_cast<char32_t>(c));
  return byte <= 0 ? 0 : static_cast<char>(byte);
}

}  // namespace terminal
