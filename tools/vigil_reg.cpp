// vigil-reg: queries and edits the registry stand-in the way reg.exe does.
// The usage text below is the manual.
#include <cctype>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <strings.h>
#include <unistd.h>
#include <vector>

#include "platform/registry.h"
#include "platform/win1252.h"

namespace {

const char kUsage[] =
    "usage: vigil-reg query  KEY [/v NAME | /ve] [/s] [/raw]\n"
    "       vigil-reg add    KEY [/v NAME | /ve] [/t TYPE] [/d DATA] [/f] [/raw]\n"
    "       vigil-reg delete KEY [/v NAME | /ve | /va] [/f] [/raw]\n"
    "\n"
    "  KEY    HKLM\\path or HKEY_LOCAL_MACHINE\\path, levels separated by '\\'\n"
    "  /v     the value NAME; /ve the default (unnamed) value; /va every value\n"
    "  /s     query: every subkey too, at any depth\n"
    "  /t     REG_SZ (the default), REG_EXPAND_SZ, REG_DWORD or REG_BINARY\n"
    "  /d     REG_DWORD: decimal (-2147483648 to 4294967295) or 0x and hex digits;\n"
    "         REG_BINARY: hex digits, two per byte (0102ff); texts as they are\n"
    "  /f     add: replace an existing value; delete: do not ask\n"
    "  /raw   take and show names and texts as bytes, without code page conversion\n"
    "\n"
    "The programs read names and texts in Windows-1252. vigil-reg takes them as\n"
    "typed, in UTF-8, and stores them in Windows-1252 (a character that code page\n"
    "lacks is refused); it shows them back in UTF-8. With /raw the bytes given are\n"
    "stored as they are; in bash, $'...' gives any byte. Both of these set the\n"
    "value named \"Identifica\\xE7\\xE3o\" (bytes E7 E3):\n"
    "  vigil-reg add \"HKLM\\Software\\Tessaly\\Vigil 2.0\" /v Identificação /d \"Sala 2\"\n"
    "  vigil-reg add \"HKLM\\Software\\Tessaly\\Vigil 2.0\" /v $'Identifica\\xe7\\xe3o' /d \"Sala 2\" /raw\n"
    "\n"
    "The registry lives under $VIGIL20_HOST_ROOT/registry (/var/lib/vigil20 when\n"
    "unset). Exit status: 0 done; 1 failed, or a key's stored form is damaged\n"
    "(its unreadable lines are listed, and read by the programs as missing\n"
    "values); 2 wrong usage.\n";

int Usage(const std::string& problem) {
  std::fprintf(stderr, "vigil-reg: %s\n\n%s", problem.c_str(), kUsage);
  return 2;
}

// UTF-8 text to Windows-1252 bytes; nullopt with `problem` set when the text
// is not UTF-8 or has a character the code page lacks.
std::optional<std::string> Utf8ToCp1252(const std::string& text, std::string* problem) {
  win1252::Utf8Problem why = win1252::Utf8Problem::kNone;
  std::optional<std::string> bytes = win1252::FromUtf8Exact(text, &why);
  if (why == win1252::Utf8Problem::kNotUtf8) *problem = "'" + text + "' is not UTF-8 text (use /raw for bytes)";
  if (why == win1252::Utf8Problem::kNoByte)
    *problem = "'" + text + "' has a character that Windows-1252 lacks (use /raw for bytes)";
  return bytes;
}

struct Options {
  std::string key;       // below HKLM, in stored bytes
  std::string shownKey;  // as typed, for messages
  std::optional<std::string> value;
  bool allValues = false;
  bool recursive = false;
  bool force = false;
  bool raw = false;
  std::string type = "REG_SZ";
  std::optional<std::string> data;
};

// Stored bytes for display: Windows-1252 shown in UTF-8, control bytes and
// bytes the code page lacks as \xHH; with /raw, the bytes themselves.
std::string Show(const std::string& bytes, const Options& options) {
  if (options.raw) return bytes;
  std::string out;
  for (char ch : bytes) {
    auto byte = static_cast<unsigned char>(ch);
    char32_t c = win1252::ToUnicode(byte);
    if (byte < 0x20 || byte == 0x7F || c == 0xFFFD) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\x%02X", byte);
      out += escape;
    } else {
      win1252::AppendUtf8(out, c);
    }
  }
  return out;
}

std::optional<std::string> Convert(const std::string& text, const Options& options, std::string* problem) {
  if (options.raw) return text;
  return Utf8ToCp1252(text, problem);
}

std::optional<uint32_t> TypeNumber(const std::string& name) {
  if (name == "REG_SZ") return platform::kRegSz;
  if (name == "REG_EXPAND_SZ") return platform::kRegExpandSz;
  if (name == "REG_DWORD") return platform::kRegDword;
  if (name == "REG_BINARY") return platform::kRegBinary;
  return std::nullopt;
}

std::string TypeName(uint32_t type) {
  switch (type) {
    case platform::kRegSz:
      return "REG_SZ";
    case platform::kRegExpandSz:
      return "REG_EXPAND_SZ";
    case platform::kRegDword:
      return "REG_DWORD";
    case platform::kRegBinary:
      return "REG_BINARY";
    case platform::kRegNone:
      return "REG_NONE";
    default:
      return "REG_0x" + [&] {
        char hex[16];
        std::snprintf(hex, sizeof hex, "%x", type);
        return std::string(hex);
      }();
  }
}

std::string HexBytes(const std::vector<uint8_t>& data) {
  std::string out;
  char hex[4];
  for (uint8_t byte : data) {
    std::snprintf(hex, sizeof hex, "%02X", byte);
    out += hex;
  }
  return out;
}

std::string ShowData(uint32_t type, const std::vector<uint8_t>& data, const Options& options) {
  if (type == platform::kRegDword && data.size() == 4) {
    uint32_t value = platform::DwordFromBytes(data.data());
    char text[16];
    std::snprintf(text, sizeof text, "0x%x", value);
    return text;
  }
  if (type == platform::kRegSz || type == platform::kRegExpandSz) {
    std::string text(data.begin(), data.end());
    return Show(text.substr(0, text.find('\0')), options);
  }
  return HexBytes(data);
}

std::optional<std::vector<uint8_t>> ParseData(uint32_t type, const std::string& text, std::string* problem) {
  std::vector<uint8_t> bytes;
  if (type == platform::kRegDword) {
    errno = 0;
    char* end = nullptr;
    bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    long long value = std::strtoll(text.c_str(), &end, hex ? 16 : 10);
    bool bad = text.empty() || *end != '\0' || errno != 0 || value < INT32_MIN || value > UINT32_MAX ||
               (hex && value < 0) || std::isspace(static_cast<unsigned char>(text[0]));
    if (bad) {
      *problem = "'" + text + "' is not REG_DWORD data";
      return std::nullopt;
    }
    bytes.resize(4);
    platform::DwordToBytes(static_cast<uint32_t>(value), bytes.data());
    return bytes;
  }
  if (type == platform::kRegBinary) {
    if (text.size() % 2 != 0 || text.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) {
      *problem = "'" + text + "' is not REG_BINARY data (hex digits, two per byte)";
      return std::nullopt;
    }
    for (size_t i = 0; i < text.size(); i += 2)
      bytes.push_back(static_cast<uint8_t>(std::stoul(text.substr(i, 2), nullptr, 16)));
    return bytes;
  }
  bytes.assign(text.begin(), text.end());
  bytes.push_back(0);
  return bytes;
}

bool Confirm(const std::string& question) {
  if (!isatty(STDIN_FILENO)) {
    std::fprintf(stderr, "vigil-reg: %s: not confirmed (give /f)\n", question.c_str());
    return false;
  }
  std::fprintf(stderr, "%s (Yes/No)? ", question.c_str());
  char answer[16] = {};
  if (!std::fgets(answer, sizeof answer, stdin)) return false;
  return answer[0] == 'y' || answer[0] == 'Y';
}

int Fail(const std::string& what, long result) {
  std::fprintf(stderr, "vigil-reg: %s: %s\n", what.c_str(), platform::RegResultText(result));
  return 1;
}

// Lists the damaged lines of `key`; true when there were any.
bool ReportDamage(platform::RegKey key, const std::string& shown) {
  std::vector<std::string> problems;
  if (platform::DescribeRegKeyDamage(key, &problems) != platform::kRegOk || problems.empty()) return false;
  for (const auto& problem : problems)
    std::fprintf(stderr, "vigil-reg: %s is damaged: %s (read as missing)\n", shown.c_str(), problem.c_str());
  return true;
}

std::string ShowValueLine(const std::string& name, uint32_t type, const std::vector<uint8_t>& data,
                          const Options& options) {
  std::string shownName = name.empty() ? "(Default)" : Show(name, options);
  return "    " + shownName + "    " + TypeName(type) + "    " + ShowData(type, data, options) + "\n";
}

// Prints one key's values (or the one asked for) and, with /s, its subkeys.
// Returns false when something could not be read; `damaged` collects damage.
bool QueryKey(platform::RegKey key, const std::string& shown, const Options& options, bool* damaged) {
  *damaged = ReportDamage(key, shown) || *damaged;
  std::printf("\n%s\n", shown.c_str());
  if (options.value) {
    uint32_t type = 0, size = 0;
    long result = platform::QueryRegValue(key, *options.value, &type, nullptr, &size);
    std::vector<uint8_t> data(size);
    if (result == platform::kRegOk) result = platform::QueryRegValue(key, *options.value, &type, data.data(), &size);
    if (result != platform::kRegOk) return Fail("value '" + Show(*options.value, options) + "'", result) == 0;
    std::fputs(ShowValueLine(*options.value, type, data, options).c_str(), stdout);
    return true;
  }
  std::string name;
  uint32_t type = 0;
  std::vector<uint8_t> data;
  long result = platform::kRegOk;
  for (uint32_t i = 0; (result = platform::EnumRegValue(key, i, &name, &type, &data)) == platform::kRegOk; ++i)
    std::fputs(ShowValueLine(name, type, data, options).c_str(), stdout);
  if (result != platform::kRegNoMoreItems) return Fail(shown, result) == 0;

  std::vector<std::string> subKeys;
  for (uint32_t i = 0; (result = platform::EnumRegSubKey(key, i, &name)) == platform::kRegOk; ++i)
    subKeys.push_back(name);
  if (result != platform::kRegNoMoreItems) return Fail(shown, result) == 0;
  bool ok = true;
  for (const auto& subKey : subKeys) {
    std::string shownSub = shown + "\\" + Show(subKey, options);
    if (!options.recursive) {
      std::printf("\n%s\n", shownSub.c_str());
      continue;
    }
    platform::RegKeyHandle child;
    result = platform::OpenRegKey(key, subKey, platform::kKeyRead, child.out());
    if (result != platform::kRegOk) {
      ok = Fail(shownSub, result) == 0 && ok;
      continue;
    }
    ok = QueryKey(child.get(), shownSub, options, damaged) && ok;
  }
  return ok;
}

int Query(const Options& options) {
  platform::RegKeyHandle key;
  long result = platform::OpenRegKey(platform::kLocalMachine, options.key, platform::kKeyRead, key.out());
  if (result != platform::kRegOk) return Fail(options.shownKey, result);
  bool damaged = false;
  bool ok = QueryKey(key.get(), "HKEY_LOCAL_MACHINE" + (options.key.empty() ? "" : "\\" + Show(options.key, options)),
                     options, &damaged);
  key.Reset();
  return ok && !damaged ? 0 : 1;
}

int Add(const Options& options) {
  std::string problem;
  auto type = TypeNumber(options.type);
  if (!type) return Usage("unknown type " + options.type);
  std::optional<std::string> text = options.data.value_or("");
  if (*type == platform::kRegSz || *type == platform::kRegExpandSz) text = Convert(*text, options, &problem);
  if (!text) return Usage(problem);
  auto data = ParseData(*type, *text, &problem);
  if (!data) return Usage(problem);

  platform::RegKeyHandle key;
  long result =
      platform::CreateRegKey(platform::kLocalMachine, options.key, platform::kKeyAllAccess, key.out(), nullptr);
  if (result != platform::kRegOk) return Fail(options.shownKey, result);
  int status = 0;
  if (options.value) {
    bool exists = platform::QueryRegValue(key.get(), *options.value, nullptr, nullptr, nullptr) == platform::kRegOk;
    if (exists && !options.force && !Confirm("Value " + Show(*options.value, options) + " exists, overwrite")) {
      status = 1;
    } else {
      result =
          platform::SetRegValue(key.get(), *options.value, *type, data->data(), static_cast<uint32_t>(data->size()));
      if (result != platform::kRegOk) status = Fail(options.shownKey, result);
    }
  }
  key.Reset();
  if (status == 0) std::printf("The operation completed successfully.\n");
  return status;
}

int Delete(const Options& options) {
  if (!options.value && !options.allValues) {
    if (options.key.empty()) return Usage("HKEY_LOCAL_MACHINE itself cannot be deleted");
    if (!options.force && !Confirm("Permanently delete the registry key " + options.shownKey)) return 1;
    long result = platform::DeleteRegTree(platform::kLocalMachine, options.key);
    if (result != platform::kRegOk) return Fail(options.shownKey, result);
    std::printf("The operation completed successfully.\n");
    return 0;
  }
  platform::RegKeyHandle key;
  long result = platform::OpenRegKey(platform::kLocalMachine, options.key, platform::kKeyAllAccess, key.out());
  if (result != platform::kRegOk) return Fail(options.shownKey, result);
  std::string what = options.allValues ? "all values under " + options.shownKey
                                       : "the registry value " + Show(*options.value, options);
  int status = 0;
  if (!options.force && !Confirm("Delete " + what)) {
    status = 1;
  } else if (options.value) {
    result = platform::DeleteRegValue(key.get(), *options.value);
    if (result != platform::kRegOk) status = Fail(what, result);
  } else {
    std::string name;
    while (status == 0 && platform::EnumRegValue(key.get(), 0, &name, nullptr, nullptr) == platform::kRegOk) {
      result = platform::DeleteRegValue(key.get(), name);
      if (result != platform::kRegOk) status = Fail(what, result);
    }
  }
  key.Reset();
  if (status == 0) std::printf("The operation completed successfully.\n");
  return status;
}

bool IsSwitch(const std::string& arg, const char* name) {
  if (arg.size() < 2 || (arg[0] != '/' && arg[0] != '-')) return false;
  return strcasecmp(arg.c_str() + 1, name) == 0;
}

// The part of `typed` below HKLM, or nullopt for another root.
std::optional<std::string> KeyBelowLocalMachine(std::string typed) {
  while (!typed.empty() && typed.back() == '\\') typed.pop_back();
  for (const char* root : {"HKLM", "HKEY_LOCAL_MACHINE"}) {
    size_t length = std::strlen(root);
    if (typed.size() >= length && strncasecmp(typed.c_str(), root, length) == 0) {
      if (typed.size() == length) return std::string();
      if (typed[length] == '\\') return typed.substr(length + 1);
    }
  }
  return std::nullopt;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) return Usage("give an operation and a key");
  std::string operation = argv[1];
  Options options;
  options.shownKey = argv[2];
  std::optional<std::string> typedValue;
  for (int i = 3; i < argc; ++i) {
    std::string arg = argv[i];
    bool hasNext = i + 1 < argc;
    if (IsSwitch(arg, "v") && hasNext)
      typedValue = argv[++i];
    else if (IsSwitch(arg, "ve"))
      typedValue = "";
    else if (IsSwitch(arg, "va"))
      options.allValues = true;
    else if (IsSwitch(arg, "s"))
      options.recursive = true;
    else if (IsSwitch(arg, "f"))
      options.force = true;
    else if (IsSwitch(arg, "raw"))
      options.raw = true;
    else if (IsSwitch(arg, "t") && hasNext)
      options.type = argv[++i];
    else if (IsSwitch(arg, "d") && hasNext)
      options.data = argv[++i];
    else
      return Usage("unexpected argument '" + arg + "'");
  }
  for (auto& c : options.type) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));

  auto below = KeyBelowLocalMachine(argv[2]);
  if (!below) return Usage("'" + options.shownKey + "' is not under HKLM (the only root kept)");
  std::string problem;
  auto key = Convert(*below, options, &problem);
  if (!key) return Usage(problem);
  options.key = *key;
  if (typedValue) {
    options.value = Convert(*typedValue, options, &problem);
    if (!options.value) return Usage(problem);
  }

  if (operation == "query") return Query(options);
  if (operation == "add") return Add(options);
  if (operation == "delete") return Delete(options);
  return Usage("unknown operation '" + operation + "'");
}
