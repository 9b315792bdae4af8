#include "core/daemon_log_record.h"

#include <cstring>

namespace core {

void ScrambleDaemonLogRecord(const std::string& line, uint8_t record[kDaemonLogRecordBytes]) {
  std::memset(record, 0, kDaemonLogRecordBytes);
  std::memcpy(record, line.data(), line.size() < kDaemonLogRecordBytes ? line.size() : kDaemonLogRecordBytes);
  for (size_t i = 0; i < kDaemonLogRecordBytes; ++i) record[i] ^= kDaemonLogMask;
}

std::string UnscrambleDaemonLogRecord(const uint8_t* record, size_t count) {
  std::string text;
  for (size_t i = 0; i < count && i < kDaemonLogRecordBytes; ++i) {
    char c = static_cast<char>(record[i] ^ kDaemonLogMask);
    if (c == '\0') break;
    text += c;
  }
  return text;
}

std::optional<DaemonLogLine> SplitDaemonLogLine(const std::string& line) {
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

}  // namespace core
