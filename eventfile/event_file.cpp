#include "eventfile/event_file.h"

#include <cerrno>
#include <climits>
#include <cstring>

#include "platform/debug_output.h"
#include "platform/directories.h"
#include "platform/local_time.h"

using core::DecodeEventRecord;
using core::EncodeEventRecord;
using core::FormatEventTime;
using core::MakeEventRecord;

CEventFile::CEventFile(const char* fileName) {
  char directory[kMaxPathBytes];
  uint32_t length = platform::GetWindowsDir(directory, sizeof directory);
  if (length == 0 || length >= sizeof directory) {
    platform::DebugPrintf("event file: no Windows directory within %u bytes\n", static_cast<unsigned>(kMaxPathBytes));
    return;
  }
  char path[kMaxPathBytes];
  int n = std::snprintf(path, sizeof path, "%s%c%s", directory, platform::PathSeparator(), fileName);
  if (n < 0 || static_cast<size_t>(n) >= sizeof path) {
    platform::DebugPrintf("event file: the path of %s is longer than %u bytes\n", fileName,
                          static_cast<unsigned>(kMaxPathBytes - 1));
    return;
  }
  path_ = path;
}

CEventFile::~CEventFile() { Close(); }

bool CEventFile::Open(const char* mode) {
  Close();
  if (path_.empty()) return false;
  file_ = std::fopen(path_.c_str(), mode);
  if (!file_) return false;
  // Unbuffered: each record is one write, and every read sees the file as
  // the other process left it.
  if (std::setvbuf(file_, nullptr, _IONBF, 0) != 0) {
    Close();
    return false;
  }
  return true;
}

// "a+": created when missing, never truncated, every write at the end.
bool CEventFile::OpenForWriting() { return !path_.empty() && platform::PrepareWindowsDirForWriting() && Open("a+b"); }

bool CEventFile::OpenForReading() { return Open("rb"); }

void CEventFile::Close() {
  if (file_ && std::fclose(file_) != 0)
    platform::DebugPrintf("event file: closing %s: %s\n", path_.c_str(), std::strerror(errno));
  file_ = nullptr;
}

void CEventFile::Append(int32_t code) { AppendAt(code, std::time(nullptr)); }

void CEventFile::AppendAt(int32_t code, std::time_t when) {
  if (!file_) return;
  std::tm local{};
  record_ = MakeEventRecord(code, platform::LocalTime(when, &local) ? &local : nullptr);
  // A torn last record (a disk that filled in mid-write) is completed with
  // zero bytes in the same write, so that this record and the ones after it
  // stay on their 28-byte boundaries.
  uint8_t bytes[2 * kRecordBytes] = {};
  size_t torn = 0;
  std::clearerr(file_);
  if (std::fseek(file_, 0, SEEK_END) == 0) {
    long length = std::ftell(file_);
    if (length > 0 && length % static_cast<long>(kRecordBytes) != 0)
      torn = kRecordBytes - static_cast<size_t>(length % static_cast<long>(kRecordBytes));
  }
  EncodeEventRecord(record_, bytes + torn);
  size_t size = torn + kRecordBytes;
  if (std::fwrite(bytes, 1, size, file_) != size)
    platform::DebugPrintf("event file: record %d lost, cannot append to %s: %s\n", code, path_.c_str(),
                          std::strerror(errno));
}

int32_t CEventFile::Count() {
  if (!file_) return -1;
  std::clearerr(file_);
  if (std::fseek(file_, 0, SEEK_END) != 0) return -1;
  long length = std::ftell(file_);
  if (length <= 0) return -1;
  long records = length / static_cast<long>(kRecordBytes);
  return records > INT32_MAX ? INT32_MAX : static_cast<int32_t>(records);
}

bool CEventFile::ReadRecord(int32_t k) {
  // A negative index would address bytes before the start of the file.
  if (!file_ || k < 0) return false;
  std::clearerr(file_);
  long offset = static_cast<long>(k) * static_cast<long>(kRecordBytes);
  if (std::fseek(file_, offset, SEEK_SET) != 0) return false;
  uint8_t bytes[kRecordBytes];
  if (std::fread(bytes, 1, sizeof bytes, file_) != sizeof bytes) return false;
  record_ = DecodeEventRecord(bytes);
  return true;
}

int32_t CEventFile::ReadCode(int32_t k) { return ReadRecord(k) ? record_.code : 0; }

bool CEventFile::ReadTimeText(int32_t k, char* buffer, size_t size) {
  if (!ReadRecord(k)) return false;
  FormatEventTime(record_, buffer, size);
  return true;
}

EventWindow ComputeEventWindow(int32_t count, int32_t maxEvents) {
  if (maxEvents < 0) maxEvents = 0;
  int32_t n = count < maxEvents ? count : maxEvents;
  int32_t first = count - n;
  if (n < 0) n = 1;
  return {n, first};
}

int32_t RecordOfRow(const EventWindow& window, int32_t row) {
  if (row < 1 || row > window.n) return -1;
  return window.first + row - 1;
}
