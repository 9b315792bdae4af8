#include "platform/linux/pipe_security.h"

#include <cctype>
#include <string>
#include <vector>

namespace platform {
namespace {

std::vector<std::string_view> Split(std::string_view text, char separator) {
  std::vector<std::string_view> parts;
  size_t start = 0;
  for (;;) {
    size_t end = text.find(separator, start);
    parts.push_back(text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start));
    if (end == std::string_view::npos) return parts;
    start = end + 1;
  }
}

bool IsUpper(char c) { return c >= 'A' && c <= 'Z'; }

// Rights: two-letter codes ("GRGWGX") or a hexadecimal mask.
bool ReadRights(std::string_view rights, bool* grantsUse) {
  *grantsUse = false;
  if (rights.size() > 2 && rights[0] == '0' && (rights[1] == 'x' || rights[1] == 'X')) {
    for (char c : rights.substr(2))
      if (!std::isxdigit(static_cast<unsigned char>(c))) return false;
    *grantsUse = true;
    return true;
  }
  if (rights.empty() || rights.size() % 2 != 0) return false;
  for (size_t i = 0; i < rights.size(); i += 2) {
    if (!IsUpper(rights[i]) || !IsUpper(rights[i + 1])) return false;
    std::string_view code = rights.substr(i, 2);
    if (code == "GA" || code == "GR" || code == "GW" || code == "FA" || code == "FR" || code == "FW") *grantsUse = true;
  }
  return true;
}

bool IsLocalUsers(std::string_view sid) { return sid == "WD" || sid == "AU" || sid == "BU" || sid == "BG"; }

}  // namespace

std::optional<mode_t> ModeFromSddl(std::string_view sddl) {
  if (sddl.size() < 2 || sddl.substr(0, 2) != "D:") return std::nullopt;
  std::string_view rest = sddl.substr(2);
  // Optional flags before the first entry (P, AI, AR).
  while (!rest.empty() && rest[0] != '(') {
    if (!IsUpper(rest[0])) return std::nullopt;
    rest.remove_prefix(1);
  }
  mode_t mode = 0600;
  while (!rest.empty()) {
    if (rest[0] != '(') return std::nullopt;
    size_t close = rest.find(')');
    if (close == std::string_view::npos) return std::nullopt;
    auto fields = Split(rest.substr(1, close - 1), ';');
    rest.remove_prefix(close + 1);
    if (fields.size() != 6) return std::nullopt;
    std::string_view type = fields[0], rights = fields[2], sid = fields[5];
    if (type != "A" && type != "D") return std::nullopt;
    for (size_t i = 0; i < fields[1].size(); ++i)
      if (!IsUpper(fields[1][i])) return std::nullopt;
    bool grantsUse = false;
    if (!ReadRights(rights, &grantsUse) || sid.empty()) return std::nullopt;
    if (type == "A" && grantsUse && IsLocalUsers(sid)) mode = 0666;
  }
  return mode;
}

}  // namespace platform
