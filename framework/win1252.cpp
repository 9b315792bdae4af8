#include "framework/win1252.h"

namespace win1252 {

std::string UpperCase(const std::string& text) {
  std::string upper = text;
  for (char& c : upper) c = static_cast<char>(ToUpper(static_cast<uint8_t>(c)));
  return upper;
}

int CompareNoCase(const std::string& a, const std::string& b) {
  size_t n = a.size() < b.size() ? a.size() : b.size();
  for (size_t i = 0; i < n; ++i) {
    int x = ToUpper(static_cast<uint8_t>(a[i]));
    int y = ToUpper(static_cast<uint8_t>(b[i]));
    if (x != y) return x - y;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

std::string ToUtf8(const std::string& text) {
  std::string out;
  for (char byte : text) {
    char32_t c = ToUnicode(static_cast<uint8_t>(byte));
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

std::string FromUtf8(const std::string& utf8) {
  std::string out;
  size_t i = 0;
  while (i < utf8.size()) {
    auto b = static_cast<uint8_t>(utf8[i]);
    size_t length = b < 0x80 ? 1 : (b & 0xE0) == 0xC0 ? 2 : (b & 0xF0) == 0xE0 ? 3 : (b & 0xF8) == 0xF0 ? 4 : 0;
    char32_t c = length == 1 ? b : length == 2 ? (b & 0x1F) : length == 3 ? (b & 0x0F) : (b & 0x07);
    bool good = length > 0 && i + length <= utf8.size();
    for (size_t k = 1; good && k < length; ++k) {
      auto next = static_cast<uint8_t>(utf8[i + k]);
      if ((next & 0xC0) != 0x80) good = false;
      c = (c << 6) | (next & 0x3F);
    }
    if (!good) {
      out += '?';
      ++i;
      continue;
    }
    int byte = FromUnicode(c);
    out += byte < 0 ? '?' : static_cast<char>(byte);
    i += length;
  }
  return out;
}

}  // namespace win1252
