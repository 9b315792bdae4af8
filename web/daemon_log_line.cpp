#include "web/daemon_log_line.h"

namespace web {

std::string UnscrambleDaemonRecord(const uint8_t* record, size_t count) {
  std::string text;
  for (size_t i = 0; i < count && i < kDaemonLogRecordBytes; ++i) {
    char c = static_cast<char>(record[i] ^ 0xA7);
    if (c == '\0') break;
    text += c;
  }
  return text;
}

std::optional<DaemonLogLine> SplitDaemonLine(const std::string& line) {
  static const std::string kArrow = " --> ";
  size_t arrow = line.find(kArrow);
  if (arrow == std::string::npos) return std::nullopt;
  size_t nameAt = arrow + kArrow.size();
  size_t colon = line.find(": ", nameAt);
  if (colon == std::string::npos) return std::nullopt;
  DaemonLogLine parts;
  parts.time = line.substr(0, arrow);
  parts.station = line.substr(nameAt, colon - nameAt);
  parts.message = line.substr(colon + 2);
  if (!parts.message.empty() && parts.message.back() == '\n') parts.message.pop_back();
  return parts;
}

}  // namespace web
