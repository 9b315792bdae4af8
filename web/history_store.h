// Each station's history on disk, in the state folder: two files of 32-byte
// records per station, the current one and the one before it. Records are
// appended whole, one write each, at 32-byte boundaries, so that a kill at
// any moment leaves whole records (a damaged one fails its check and is
// skipped). When the current file is full it becomes the older one,
// replacing it: the oldest records go first and a station never holds more
// than two files. With more stations than the limit, the one heard longest
// ago makes room. Safe to use from several threads.
#pragma once

#include <cstddef>
#include <climits>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "web/history_record.h"

namespace web {

struct HistoryLimits {
  size_t fileBytes = 128 * 1024;  // per file: 4096 records; two files a station
  size_t stations = 256;
};

class HistoryStore {
 public:
  explicit HistoryStore(std::string folder, HistoryLimits limits = {});

  // Makes the folder when missing. False with `error`.
  bool Open(std::string* error);

  // The names of the stations that have a history.
  std::vector<std::string> Stations() const;

  // Appends one record; false with `error` (the record is lost).
  bool Append(const std::string& station, const HistoryRecord& record, std::string* error);

  struct Reading {
    std::vector<HistoryRecord> records;  // oldest first
    size_t damaged = 0;                  // records skipped: cut or changed
  };
  // The station's records from `sinceUnixMs` on.
  Reading Read(const std::string& station, int64_t sinceUnixMs = INT64_MIN) const;
  // Its newest record.
  std::optional<HistoryRecord> Last(const std::string& station) const;

  const std::string& folder() const { return folder_; }

 private:
  std::string CurrentPath(const std::string& station) const;
  std::string OlderPath(const std::string& station) const;
  // These three expect the lock held.
  bool MakeRoom(const std::string& station, std::string* error);
  std::vector<std::string> StationsLocked() const;
  std::optional<HistoryRecord> LastLocked(const std::string& station) const;

  mutable std::mutex lock_;
  std::string folder_;
  HistoryLimits limits_;
};

// The whole records of `size` bytes of a history file from `sinceUnixMs`
// on, added to `reading`; a record cut short or failing its check counts as
// damaged.
void ReadHistoryBytes(const uint8_t* bytes, size_t size, int64_t sinceUnixMs, HistoryStore::Reading* reading);

// The file name of a station's history without its extension: letters
// a to z, digits, '-' and '_' as they are, every other byte as %XX (so that
// names differing only in case stay apart where file names do not).
std::string HistoryFileStem(const std::string& station);
// Back to the station name; nothing for a name that no station makes.
std::optional<std::string> StationOfStem(const std::string& stem);

}  // namespace web
