#include "platform/win1252.h"

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

void AppendUtf8(std::string& out, char32_t c) {
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

std::string ToUtf8(std::string_view text, Unassigned unassigned) {
  std::string out;
  out.reserve(text.size() + text.size() / 4);
  for (char byte : text) {
    auto b = static_cast<uint8_t>(byte);
    char32_t c = ToUnicode(b);
    if (c == 0xFFFD && unassigned == Unassigned::kControl) c = b;
    AppendUtf8(out, c);
  }
  return out;
}

namespace {

// One UTF-8 sequence at `at`: its character and length; false when it is
// malformed, cut short or overlong.
bool DecodeUtf8(const std::string& utf8, size_t at, char32_t* c, size_t* length) {
  auto lead = static_cast<uint8_t>(utf8[at]);
  size_t n = lead < 0x80 ? 1 : (lead & 0xE0) == 0xC0 ? 2 : (lead & 0xF0) == 0xE0 ? 3 : (lead & 0xF8) == 0xF0 ? 4 : 0;
  if (n == 0 || at + n > utf8.size()) return false;
  char32_t value = n == 1 ? lead : n == 2 ? (lead & 0x1F) : n == 3 ? (lead & 0x0F) : (lead & 0x07);
  for (size_t k = 1; k < n; ++k) {
    auto next = static_cast<uint8_t>(utf8[at + k]);
    if ((next & 0xC0) != 0x80) return false;
    value = (value << 6) | (next & 0x3F);
  }
  constexpr char32_t kSmallest[5] = {0, 0, 0x80, 0x800, 0x10000};
  if (value < kSmallest[n]) return false;
  *c = value;
  *length = n;
  return true;
}

}  // namespace

std::string FromUtf8(const std::string& utf8) {
  std::string out;
  size_t i = 0;
  while (i < utf8.size()) {
    char32_t c = 0;
    size_t length = 0;
    if (!DecodeUtf8(utf8, i, &c, &length)) {
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

std::optional<std::string> FromUtf8Exact(const std::string& utf8, Utf8Problem* problem) {
  std::string out;
  *problem = Utf8Problem::kNone;
  for (size_t i = 0; i < utf8.size();) {
    char32_t c = 0;
    size_t length = 0;
    if (!DecodeUtf8(utf8, i, &c, &length)) {
      *problem = Utf8Problem::kNotUtf8;
      return std::nullopt;
    }
    int byte = FromUnicode(c);
    if (byte < 0) {
      *problem = Utf8Problem::kNoByte;
      return std::nullopt;
    }
    out += static_cast<char>(byte);
    i += length;
  }
  return out;
}

}  // namespace win1252
