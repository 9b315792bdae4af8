// Texts of the Windows programs are Windows-1252 bytes, as the ANSI calls,
// the registry and the dialog resources take them. Source files are UTF-8:
// "Opções"_w1252 is that literal converted when compiling (a character
// outside Windows-1252 does not compile). At run time: the conversions to
// and from Unicode, and the upper case of this code page.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace win1252 {

// Unicode of the bytes 0x80 to 0x9F; 0 where Windows-1252 has no character.
inline constexpr char32_t kHighControls[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                               0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                               0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                               0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};

// The character of one byte; U+FFFD for the five unassigned bytes.
constexpr char32_t ToUnicode(uint8_t byte) {
  if (byte < 0x80 || byte >= 0xA0) return byte;
  char32_t c = kHighControls[byte - 0x80];
  return c ? c : 0xFFFD;
}

// The byte of one character; -1 when Windows-1252 has none.
constexpr int FromUnicode(char32_t c) {
  if (c < 0x80 || (c >= 0xA0 && c <= 0xFF)) return static_cast<int>(c);
  for (int i = 0; i < 32; ++i)
    if (kHighControls[i] == c) return 0x80 + i;
  return -1;
}

// Upper case as CharUpperA gives it in this code page: ASCII, the accented
// letters, š œ ž and ÿ; other bytes unchanged (ß and ÷ included).
constexpr uint8_t ToUpper(uint8_t b) {
  if (b >= 'a' && b <= 'z') return static_cast<uint8_t>(b - 0x20);
  if (b >= 0xE0 && b <= 0xFE && b != 0xF7) return static_cast<uint8_t>(b - 0x20);
  if (b == 0x9A || b == 0x9C || b == 0x9E) return static_cast<uint8_t>(b - 0x10);
  if (b == 0xFF) return 0x9F;
  return b;
}

std::string UpperCase(const std::string& text);
// Compares ignoring case as ToUpper folds it: <0, 0 or >0.
int CompareNoCase(const std::string& a, const std::string& b);

// Appends one character in UTF-8 (the code page's characters all lie in
// the Basic Multilingual Plane).
void AppendUtf8(std::string& out, char32_t c);

// What the five unassigned bytes (0x81, 0x8D, 0x8F, 0x90, 0x9D) become in
// Unicode: U+FFFD where a person reads the text, or the control character
// of the same number, as Windows' own conversion gives them (for texts the
// stand-ins pass on as Windows would).
enum class Unassigned { kReplacement, kControl };

// To UTF-8, and back (a character without a byte here, or a malformed UTF-8
// sequence, becomes '?').
std::string ToUtf8(std::string_view text, Unassigned unassigned = Unassigned::kReplacement);
std::string FromUtf8(const std::string& utf8);

// Back from UTF-8 refusing what does not convert: nullopt, with `problem`
// saying why, for malformed or overlong UTF-8 or a character this code page
// lacks.
enum class Utf8Problem { kNone, kNotUtf8, kNoByte };
std::optional<std::string> FromUtf8Exact(const std::string& utf8, Utf8Problem* problem);

// ---- literals converted when compiling ----

template <std::size_t N>
struct Utf8Literal {
  char bytes[N]{};
  constexpr Utf8Literal(const char (&text)[N]) {
    for (std::size_t i = 0; i < N; ++i) bytes[i] = text[i];
  }
};

constexpr std::size_t CountCharacters(const char* s, std::size_t n) {
  std::size_t count = 0;
  for (std::size_t i = 0; i + 1 < n; ++i)
    if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) ++count;
  return count + 1;  // the terminator
}

template <Utf8Literal S>
struct Converted {
  static constexpr std::size_t kSize = CountCharacters(S.bytes, sizeof S.bytes);
  static constexpr std::array<char, kSize> Make() {
    std::array<char, kSize> out{};
    std::size_t o = 0;
    for (std::size_t i = 0; i + 1 < sizeof S.bytes;) {
      auto b = static_cast<unsigned char>(S.bytes[i]);
      char32_t c = 0;
      if (b < 0x80) {
        c = b;
        i += 1;
      } else if ((b & 0xE0) == 0xC0) {
        c = ((b & 0x1Fu) << 6) | (S.bytes[i + 1] & 0x3Fu);
        i += 2;
      } else if ((b & 0xF0) == 0xE0) {
        c = ((b & 0x0Fu) << 12) | ((S.bytes[i + 1] & 0x3Fu) << 6) | (S.bytes[i + 2] & 0x3Fu);
        i += 3;
      } else {
        throw "a character outside Windows-1252";
      }
      int byte = FromUnicode(c);
      if (byte < 0) throw "a character outside Windows-1252";
      out[o++] = static_cast<char>(byte);
    }
    return out;
  }
  static constexpr std::array<char, kSize> value = Make();
};

}  // namespace win1252

template <win1252::Utf8Literal S>
constexpr const char* operator""_w1252() {
  return win1252::Converted<S>::value.data();
}
