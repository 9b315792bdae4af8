#include "platform/linux/registry_file.h"

#include <cstdio>

#include "platform/registry.h"

namespace platform::regfile {
namespace {

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

void AppendHexByte(std::string& out, unsigned char byte) {
  static const char kDigits[] = "0123456789abcdef";
  out += kDigits[byte >> 4];
  out += kDigits[byte & 15];
}

std::string Quote(std::string_view bytes) {
  std::string out = "\"";
  for (char c : bytes) {
    auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (byte >= 0x20 && byte <= 0x7E) {
      out += c;
    } else {
      out += "\\x";
      AppendHexByte(out, byte);
    }
  }
  return out + "\"";
}

std::string HexList(std::string_view bytes) {
  std::string out;
  for (size_t i = 0; i < bytes.size(); ++i) {
    if (i) out += ',';
    AppendHexByte(out, static_cast<unsigned char>(bytes[i]));
  }
  return out;
}

// Reads one line left to right; every Read* either consumes what it
// recognises or leaves `error` set.
class LineReader {
 public:
  explicit LineReader(std::string_view line) : line_(line) {}

  bool Failed() const { return !error_.empty(); }
  const std::string& Error() const { return error_; }
  bool AtEnd() const { return pos_ == line_.size(); }

  bool Take(std::string_view word) {
    if (line_.substr(pos_, word.size()) != word) return false;
    pos_ += word.size();
    return true;
  }

  bool Expect(std::string_view word) {
    if (Take(word)) return true;
    return Fail("expected '" + std::string(word) + "' at column " + std::to_string(pos_ + 1));
  }

  bool ReadQuoted(std::string* out, size_t limit) {
    if (!Expect("\"")) return false;
    out->clear();
    while (pos_ < line_.size()) {
      char c = line_[pos_++];
      auto byte = static_cast<unsigned char>(c);
      if (c == '"') return true;
      if (out->size() >= limit) return Fail("text longer than " + std::to_string(limit) + " bytes");
      if (c != '\\') {
        if (byte < 0x20 || byte > 0x7E)
          return Fail("raw byte " + Hex(byte) + " at column " + std::to_string(pos_) + " (write it \\x" +
                      Hex(byte).substr(2) + ")");
        *out += c;
        continue;
      }
      if (pos_ >= line_.size()) break;
      char escape = line_[pos_++];
      if (escape == '\\' || escape == '"') {
        *out += escape;
      } else if (escape == 'x' && pos_ + 2 <= line_.size() && HexDigit(line_[pos_]) >= 0 &&
                 HexDigit(line_[pos_ + 1]) >= 0) {
        *out += static_cast<char>(HexDigit(line_[pos_]) * 16 + HexDigit(line_[pos_ + 1]));
        pos_ += 2;
      } else {
        return Fail("bad escape at column " + std::to_string(pos_ - 1));
      }
    }
    return Fail("text not closed by '\"'");
  }

  bool ReadHexList(std::string* out) {
    out->clear();
    if (AtEnd()) return true;
    for (;;) {
      if (out->size() >= kMaxValueBytes) return Fail("data longer than " + std::to_string(kMaxValueBytes) + " bytes");
      if (pos_ + 2 > line_.size() || HexDigit(line_[pos_]) < 0 || HexDigit(line_[pos_ + 1]) < 0)
        return Fail("expected two hex digits at column " + std::to_string(pos_ + 1));
      *out += static_cast<char>(HexDigit(line_[pos_]) * 16 + HexDigit(line_[pos_ + 1]));
      pos_ += 2;
      if (AtEnd()) return true;
      if (!Expect(",")) return false;
    }
  }

  // 1 to `max_digits` digits in `base` (10 or 16), at most `max_value`.
  bool ReadNumber(int base, size_t max_digits, uint64_t max_value, uint64_t* out) {
    uint64_t value = 0;
    size_t digits = 0;
    while (pos_ < line_.size()) {
      int d = HexDigit(line_[pos_]);
      if (d < 0 || d >= base) break;
      if (++digits > max_digits) return Fail("number too long at column " + std::to_string(pos_ + 1));
      value = value * static_cast<uint64_t>(base) + static_cast<uint64_t>(d);
      ++pos_;
    }
    if (digits == 0) return Fail("expected a number at column " + std::to_string(pos_ + 1));
    if (value > max_value) return Fail("number out of range");
    *out = value;
    return true;
  }

  bool Fail(std::string reason) {
    if (error_.empty()) error_ = std::move(reason);
    return false;
  }

 private:
  static std::string Hex(unsigned char byte) {
    std::string s = "0x";
    AppendHexByte(s, byte);
    return s;
  }

  std::string_view line_;
  size_t pos_ = 0;
  std::string error_;
};

bool ReadData(LineReader& in, Value* value) {
  std::string text;
  if (in.Take("dword:")) {
    uint64_t number = 0;
    if (!in.ReadNumber(16, 8, 0xFFFFFFFFu, &number)) return false;
    value->type = kRegDword;
    value->data.clear();
    for (int i = 0; i < 4; ++i) value->data += static_cast<char>((number >> (8 * i)) & 0xFF);
    return true;
  }
  bool expand = in.Take("expand_sz:");
  if (expand || in.Take("sz:")) {
    if (!in.ReadQuoted(&text, kMaxValueBytes - 1)) return false;
    value->type = expand ? kRegExpandSz : kRegSz;
    value->data = text + '\0';
    return true;
  }
  if (in.Take("binary:")) {
    value->type = kRegBinary;
    return in.ReadHexList(&value->data);
  }
  if (in.Take("hex(")) {
    uint64_t type = 0;
    if (!in.ReadNumber(10, 10, 0xFFFFFFFFu, &type) || !in.Expect("):")) return false;
    value->type = static_cast<uint32_t>(type);
    return in.ReadHexList(&value->data);
  }
  return in.Fail("unknown value type");
}

std::optional<Value> ReadValueLine(std::string_view line, std::string* reason) {
  LineReader in(line);
  Value value;
  if (in.ReadQuoted(&value.name, kMaxValueNameBytes) && in.Expect("=") && ReadData(in, &value) && !in.AtEnd())
    in.Fail("unexpected text after the value");
  if (in.Failed()) {
    *reason = in.Error();
    return std::nullopt;
  }
  return value;
}

}  // namespace

bool NamesEqual(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (Lower(a[i]) != Lower(b[i])) return false;
  return true;
}

Value* Find(KeyFile& file, std::string_view name) {
  for (auto& value : file.values)
    if (NamesEqual(value.name, name)) return &value;
  return nullptr;
}

KeyFile Parse(std::string_view text) {
  KeyFile file;
  size_t number = 0;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    start = end + 1;
    ++number;
    std::string_view content = line;
    if (!content.empty() && content.back() == '\r') content.remove_suffix(1);
    if (content.empty()) continue;
    std::string reason;
    auto value = ReadValueLine(content, &reason);
    if (value && Find(file, value->name)) reason = "a second value of the same name";
    if (!reason.empty()) {
      file.damaged.emplace_back(line);
      file.damage.push_back({number, reason});
      continue;
    }
    file.values.push_back(std::move(*value));
  }
  return file;
}

std::string Format(const KeyFile& file) {
  std::string out;
  for (const auto& value : file.values) {
    out += Quote(value.name) + "=";
    const std::string& data = value.data;
    bool terminated = !data.empty() && data.back() == '\0';
    if (value.type == kRegDword && data.size() == 4) {
      uint32_t number = 0;
      for (int i = 3; i >= 0; --i) number = (number << 8) | static_cast<unsigned char>(data[static_cast<size_t>(i)]);
      char digits[16];
      std::snprintf(digits, sizeof digits, "%08x", number);
      out += std::string("dword:") + digits;
    } else if ((value.type == kRegSz || value.type == kRegExpandSz) && terminated) {
      out += (value.type == kRegSz ? "sz:" : "expand_sz:") + Quote(std::string_view(data).substr(0, data.size() - 1));
    } else if (value.type == kRegBinary) {
      out += "binary:" + HexList(data);
    } else {
      out += "hex(" + std::to_string(value.type) + "):" + HexList(data);
    }
    out += '\n';
  }
  for (const auto& line : file.damaged) out += line + '\n';
  return out;
}

std::string EncodeKeyName(std::string_view name) {
  std::string out;
  for (size_t i = 0; i < name.size(); ++i) {
    auto byte = static_cast<unsigned char>(name[i]);
    bool plain = byte >= 0x20 && byte <= 0x7E && byte != '%' && byte != '/' && !(i == 0 && byte == '.');
    if (plain) {
      out += name[i];
    } else {
      out += '%';
      static const char kDigits[] = "0123456789ABCDEF";
      out += kDigits[byte >> 4];
      out += kDigits[byte & 15];
    }
  }
  return out;
}

std::optional<std::string> DecodeKeyName(std::string_view entry) {
  if (entry.empty() || entry[0] == '.') return std::nullopt;
  std::string name;
  for (size_t i = 0; i < entry.size(); ++i) {
    if (entry[i] != '%') {
      name += entry[i];
      continue;
    }
    if (i + 2 >= entry.size() || HexDigit(entry[i + 1]) < 0 || HexDigit(entry[i + 2]) < 0) return std::nullopt;
    name += static_cast<char>(HexDigit(entry[i + 1]) * 16 + HexDigit(entry[i + 2]));
    i += 2;
  }
  if (name.empty() || name.find('\\') != std::string::npos) return std::nullopt;
  return name;
}

}  // namespace platform::regfile
