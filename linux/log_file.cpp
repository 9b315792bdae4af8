#include "log_file.h"

#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <libgen.h>
#include <sys/stat.h>
#include <syslog.h>
#include <unistd.h>

#include "config_file.h"
#include "linuxbase/unique_fd.h"
#include "linuxbase/unique_file.h"
#include "paths.h"

using core::ScrambleDaemonLogRecord;
using core::UnscrambleDaemonLogRecord;
using core::kDaemonLogMask;

namespace {

using linuxbase::UniqueFd;
using linuxbase::UniqueFile;

// Data first, then the file's metadata: the record must survive a power cut
// that follows at once.
bool FlushAndSync(FILE* f) { return std::fflush(f) == 0 && fsync(fileno(f)) == 0; }

bool SyncDirectoryOf(const char* path) {
  char copy[4096];
  std::strncpy(copy, path, sizeof copy - 1);
  copy[sizeof copy - 1] = '\0';
  UniqueFd fd(open(dirname(copy), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  return fd && fsync(fd.get()) == 0;
}

// A torn last record (a crash in mid-write) is completed with scrambled zero
// bytes, so that the records after it stay on 255-byte boundaries.
bool PadPartialRecord(FILE* f, size_t size) {
  size_t partial = size % kRecordSize;
  if (partial == 0) return true;
  uint8_t padding[kRecordSize];
  std::memset(padding, kDaemonLogMask, sizeof padding);
  size_t missing = kRecordSize - partial;
  return std::fwrite(padding, 1, missing, f) == missing;
}

bool WriteRecord(FILE* f, const std::string& line) {
  uint8_t record[kRecordSize];
  ScrambleDaemonLogRecord(line, record);
  return std::fwrite(record, 1, kRecordSize, f) == kRecordSize;
}

bool WriteAll(int fd, const uint8_t* bytes, size_t size) {
  while (size > 0) {
    ssize_t n = write(fd, bytes, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

// Appends one record, synced. A full disk takes part of a record at most:
// the log is then cut back to what it held, so that no torn record stands in
// it. A torn record left by a crash is first completed with scrambled zero
// bytes, so that the records after it stay on 255-byte boundaries.
int AppendRecord(const char* log_path, const std::string& line) {
  UniqueFd fd(open(log_path, O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666));
  if (!fd) return -1;
  struct stat st;
  if (fstat(fd.get(), &st) != 0) return -1;
  uint8_t bytes[2 * kRecordSize];
  size_t size = 0;
  size_t partial = static_cast<size_t>(st.st_size) % kRecordSize;
  if (partial != 0) {
    size = kRecordSize - partial;
    std::memset(bytes, kDaemonLogMask, size);
  }
  ScrambleDaemonLogRecord(line, bytes + size);
  size += kRecordSize;
  bool ok = WriteAll(fd.get(), bytes, size) && fsync(fd.get()) == 0;
  if (!ok && ftruncate(fd.get(), st.st_size) == 0) fsync(fd.get());
  return ok ? 1 : -1;
}

int CountRecords(const char* log_path) {
  UniqueFile f(std::fopen(log_path, "a+"));
  if (!f) return -1;
  int count = FileSize(f.get());
  FlushAndSync(f.get());
  return count;
}

// Builds the trimmed log beside the old one and renames it into place, so a
// crash at any moment leaves either the old log or the new one whole. The
// oldest records go, as many as leave room for the new one within `limit`.
int TrimAndAppend(const char* log_path, const char* tmp_path, int count, int limit, const std::string& line) {
  UniqueFile old_log(std::fopen(log_path, "r"));
  if (!old_log) return -1;
  UniqueFile fresh(std::fopen(tmp_path, "w"));
  if (!fresh) return -1;
  uint8_t record[kRecordSize];
  bool ok = true;
  for (int dropped = 0; ok && dropped < count - limit + 1; ++dropped)
    ok = std::fread(record, 1, kRecordSize, old_log.get()) > 0;
  size_t n;
  while (ok && (n = std::fread(record, 1, kRecordSize, old_log.get())) > 0) {
    ok = std::fwrite(record, 1, n, fresh.get()) == n && PadPartialRecord(fresh.get(), n);
  }
  ok = ok && !std::ferror(old_log.get()) && WriteRecord(fresh.get(), line) && FlushAndSync(fresh.get());
  ok = linuxbase::CloseFile(fresh) && ok;
  old_log.reset();
  if (!ok || std::rename(tmp_path, log_path) != 0) {
    unlink(tmp_path);
    return -1;
  }
  SyncDirectoryOf(log_path);
  return 1;
}

}  // namespace

std::string FormatLogLine(long when, const char* name, const char* text) {
  time_t t = static_cast<time_t>(when);
  char stamp[64] = "";
  char* ctime_text = ctime_r(&t, stamp);
  std::string time_text = ctime_text ? StrCopy(ctime_text) : "";
  char buf[kRecordSize + 1] = {};
  std::snprintf(buf, sizeof buf, "%s --> %s: %s\n", time_text.c_str(), name, text);
  return buf;
}

FILE* Openl(const char* mode) { return std::fopen(kLogPath, mode); }

int FileSize(FILE* stream) {
  if (!stream) return -1;
  std::rewind(stream);
  struct stat st;
  if (fstat(fileno(stream), &st) != 0) return -1;
  return static_cast<int>((st.st_size + kRecordSize - 1) / kRecordSize);
}

int AppendLogRecord(const char* log_path, const char* tmp_path, int limit, const std::string& line) {
  int count = CountRecords(log_path);
  if (count < 0) return -1;
  if (count >= limit) return TrimAndAppend(log_path, tmp_path, count, limit, line);
  return AppendRecord(log_path, line);
}

namespace {

// A console that cannot take the line at once (output stopped by XOFF, a
// serial console nobody drains) gets no line: the caller may hold the lock
// that the other process needs to protect the computer.
//
// The console stays open for the life of the process: the last close of a
// serial port waits for its unsent output (up to 30 s by default), and a
// close is as able to block as a write. Only a console that has gone
// (hung up: its output is already discarded) is closed, to be opened again
// for the next line.
void WriteConsoleLine(const std::string& line) {
  static linuxbase::UniqueFd fd;
  // Never the daemon's controlling terminal. Appending is the same as
  // writing on the console device, and keeps earlier lines when the console
  // is a plain file.
  if (!fd) fd.reset(open(kConsolePath, O_WRONLY | O_APPEND | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
  if (!fd) return;
  ssize_t written;
  do {
    written = write(fd.get(), line.data(), line.size());
  } while (written < 0 && errno == EINTR);
  if (written < 0 && (errno == EIO || errno == ENXIO)) fd.reset();
}

}  // namespace

int Printl(const char* name, const char* text, int echo) {
  std::string line = FormatLogLine(std::time(nullptr), name, text);
  // The system's journal gets each event once, whatever becomes of the log.
  static bool journal_open = false;
  if (!journal_open) {
    openlog("vigil20", LOG_PID, LOG_DAEMON);
    journal_open = true;
  }
  syslog(LOG_NOTICE, "%s: %s", name, text);
  int result = AppendLogRecord(kLogPath, kLogTmpPath, LOGSIZE, line);
  if (echo == 1) WriteConsoleLine(line);
  return result;
}

void Printc(const char* name, const char* text) { WriteConsoleLine(FormatLogLine(std::time(nullptr), name, text)); }

bool WriteLogText(FILE* log, FILE* out) {
  uint8_t record[kRecordSize + 1];
  size_t n;
  while ((n = std::fread(record, 1, kRecordSize, log)) > 0) {
    std::fputs(UnscrambleDaemonLogRecord(record, n).c_str(), out);
  }
  return std::ferror(log) == 0;
}

int PrintLog() {
  linuxbase::UniqueFile f(Openl("r"));
  if (!f) {
    std::perror("Erro ao abrir o aquivo de log...");
    return 1;
  }
  // A log that opens but cannot be read (a folder, an I/O error) is no log.
  bool unreadable = !WriteLogText(f.get(), stdout);
  int saved = errno;
  f.reset();
  if (unreadable) {
    std::fflush(stdout);
    errno = saved;
    std::perror("Erro ao abrir o aquivo de log...");
    return 1;
  }
  return 0;
}
