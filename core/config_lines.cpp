#include "core/config_lines.h"

namespace core {

std::vector<ConfigLine> ConfigLines(std::string_view text) {
  std::vector<ConfigLine> lines;
  size_t at = 0;
  int number = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(at, end - at);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back({++number, line});
    at = end + 1;
  }
  return lines;
}

bool ConfigNumber(std::string_view text, int low, int high, int* out) {
  if (text.empty() || text.size() > 5) return false;
  int n = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    n = n * 10 + (c - '0');
  }
  if (n < low || n > high) return false;
  *out = n;
  return true;
}

}  // namespace core
