// The stored form of the Linux registry stand-in.
//
// A key is a directory; its name is the key name with '%', '/', a leading
// '.', control bytes and bytes above 0x7E written as %HH. The key's values
// are one text file in it, ".values", one line per value:
//
//   "Interval"=dword:000003e8            REG_DWORD of 4 bytes
//   "HostName"=sz:"server"               REG_SZ ending in one zero byte
//   "Path"=expand_sz:"%SystemRoot%"      REG_EXPAND_SZ likewise
//   "Blob"=binary:01,02,ff               REG_BINARY
//   "Odd"=hex(4):01,02                   any type and data the above cannot hold
//
// Inside quotes every byte outside 0x20..0x7E, and '"' and '\', is written
// \xHH, \" or \\, so any name or text survives byte for byte. Blank lines
// are ignored; any other line that does not read is damage: it is kept
// verbatim for the next writer and its value reads as missing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform::regfile {

inline constexpr const char* kValuesFileName = ".values";

struct Value {
  std::string name;  // bytes
  uint32_t type = 0;
  std::string data;  // bytes as stored, terminators included
};

struct Damage {
  size_t line = 0;  // from 1
  std::string reason;
};

struct KeyFile {
  std::vector<Value> values;         // in stored order, names unique
  std::vector<std::string> damaged;  // unreadable lines, verbatim
  std::vector<Damage> damage;        // why each line was unreadable
};

KeyFile Parse(std::string_view text);
std::string Format(const KeyFile& file);

// ASCII letters compare without case; every other byte exactly.
bool NamesEqual(std::string_view a, std::string_view b);
// The value named `name`, or nullptr.
Value* Find(KeyFile& file, std::string_view name);

std::string EncodeKeyName(std::string_view name);
// nullopt for a directory entry that is not an encoded key name.
std::optional<std::string> DecodeKeyName(std::string_view entry);

}  // namespace platform::regfile
