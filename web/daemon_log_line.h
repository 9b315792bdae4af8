// One record of the daemon's log read back: 255 bytes, each combined with
// 0xA7 by exclusive-or, holding the line "<ctime> --> <station>: <message>\n"
// and zero bytes after it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace web {

inline constexpr size_t kDaemonLogRecordBytes = 255;

struct DaemonLogLine {
  std::string time;  // as ctime wrote it: "Wed Jun 30 21:49:08 1993"
  std::string station;
  std::string message;
};

// The clear text of `count` bytes of a record, up to its first zero byte.
std::string UnscrambleDaemonRecord(const uint8_t* record, size_t count);

// The parts of a clear line; nothing when it has not that form.
std::optional<DaemonLogLine> SplitDaemonLine(const std::string& line);

}  // namespace web
