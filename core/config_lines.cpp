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

}  // namespace core
