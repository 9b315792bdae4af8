// CEventFile, the accessor of the event log file "EvtVigil20.dat" in the
// Windows directory (its record: core/event_record.h). The monitoring
// program appends; the SNMP agent reads the newest records. Neither ever
// truncates it. Both open it so that the other may read and write at the
// same time; each record is written with one write at the end of the file,
// and readers count only complete records.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string>

#include "core/event_record.h"

class CEventFile {
 public:
  static constexpr size_t kRecordBytes = core::kEventRecordBytes;
  // The full path is cut to nothing, and every open fails, when it would not
  // fit this many bytes with its terminator (MAX_PATH).
  static constexpr size_t kMaxPathBytes = 260;

  // Builds the full path "<Windows directory><separator><fileName>"; the file
  // is not opened yet.
  explicit CEventFile(const char* fileName);
  ~CEventFile();
  CEventFile(const CEventFile&) = delete;
  CEventFile& operator=(const CEventFile&) = delete;

  // For the writer: reading and writing, created when missing, never
  // truncated. Closes a file already open first. False when it cannot open.
  bool OpenForWriting();
  // For the reader: reading only; fails when the file does not exist.
  bool OpenForReading();
  void Close();

  // Appends a record of the current local time and `code`. Does nothing
  // when the file is not open; a failed write is told on the debug output.
  void Append(int32_t code);
  // The same for the moment `when`.
  void AppendAt(int32_t code, std::time_t when);

  // The number of complete records, or -1 when the file is not open or
  // empty. Bytes after the last complete record do not count.
  int32_t Count();

  // The code of record k (from 0); 0 when the record cannot be read (k
  // negative, at or past the end, or the file not open).
  int32_t ReadCode(int32_t k);
  // Writes record k's time as "DD/MM/YYYY HH:MM:SS" into `buffer` of `size`
  // bytes (cut to fit) and returns true; returns false and leaves the buffer
  // untouched when the record cannot be read.
  bool ReadTimeText(int32_t k, char* buffer, size_t size);

  const std::string& Path() const { return path_; }
  bool IsOpen() const { return file_ != nullptr; }
  // The record last written or read.
  const core::EventRecord& LastRecord() const { return record_; }

 private:
  bool Open(const char* mode);
  bool ReadRecord(int32_t k);

  core::EventRecord record_{};
  std::string path_;
  std::FILE* file_ = nullptr;  // owned; open exactly when the open flag would be set
};

// The agent's event window: the newest records, at most `maxEvents` of them.
// Row i (1 to n) of the agent's table is record first + i - 1.
struct EventWindow {
  int32_t n;
  int32_t first;
};

// From Count() and the "Max Events" setting. With no records (count -1) the
// window still has one row, which reads as unreadable. A negative
// `maxEvents` counts as 0.
EventWindow ComputeEventWindow(int32_t count, int32_t maxEvents);

// The record shown on `row`, or -1 for a row outside 1..n (which then reads
// as an unreadable record, never as a record before the window).
int32_t RecordOfRow(const EventWindow& window, int32_t row);
