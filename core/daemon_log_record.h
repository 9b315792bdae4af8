// One record of the daemon's log (/usr/local/vigil20/vigil20.log): 255
// bytes holding the line "<ctime> --> <station>: <message>\n" and zero
// bytes after it, each byte combined with 0xA7 by exclusive-or. The daemon
// writes them; the status page reads them back to join this computer's
// events to the station they name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace core {

// Where the daemon keeps its log; the status page reads it there.
inline constexpr const char* kDaemonLogPath = "/usr/local/vigil20/vigil20.log";
inline constexpr size_t kDaemonLogRecordBytes = 255;
inline constexpr uint8_t kDaemonLogMask = 0xA7;

// One record holding `line` (cut to fit), scrambled.
void ScrambleDaemonLogRecord(const std::string& line, uint8_t record[kDaemonLogRecordBytes]);

// The clear text of `count` bytes of a record (at most one record's),
// unscrambled up to the first zero byte.
std::string UnscrambleDaemonLogRecord(const uint8_t* record, size_t count);

// A clear line in its parts.
struct DaemonLogLine {
  std::string time;  // as ctime wrote it: "Wed Jun 30 21:49:08 1993"
  std::string station;
  std::string message;  // without the line end
};
// Nothing when the line has not that form.
std::optional<DaemonLogLine> SplitDaemonLogLine(const std::string& line);

}  // namespace core
