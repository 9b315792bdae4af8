// The event log file "EvtVigil20.dat" in the Windows directory: a plain
// sequence of 28-byte records, oldest first, with no header. The monitoring
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

inline constexpr const char* kEventFileName = "EvtVigil20.dat";

// One event: local date and time when it was written, and its kind. Stored
// as seven signed 32-bit little-endian integers in this order. When local
// time could not be had, the date is 0/0/0 and the time -1:-1:-1.
struct EventRecord {
  int32_t day;     // 1 to 31
  int32_t month;   // 1 to 12
  int32_t year;    // four digits
  int32_t hour;    // 0 to 23
  int32_t minute;  // 0 to 59
  int32_t second;  // 0 to 59
  int32_t code;    // event kind (event_kinds.h), stored even when unknown
};
static_assert(sizeof(EventRecord) == 28, "the event file's records are 28 bytes");

class CEventFile {
 public:
  static constexpr size_t kRecordBytes = 28;
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
  const EventRecord& LastRecord() const { return record_; }

 private:
  bool Open(const char* mode);
  bool ReadRecord(int32_t k);

  EventRecord record_{};
  std::string path_;
  std::FILE* file_ = nullptr;  // owned; open exactly when the open flag would be set
};

// The record of `code` at the local time `local`, or at the failed-time
// marks when `local` is null.
EventRecord MakeEventRecord(int32_t code, const std::tm* local);

// The time text of a record, as ReadTimeText gives it.
void FormatEventTime(const EventRecord& record, char* buffer, size_t size);

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
