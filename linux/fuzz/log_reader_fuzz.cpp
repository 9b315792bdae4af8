// The daemon's log may be damaged or cut short: "vigil20 log" shows every
// record's text, up to its first zero byte, and nothing else; and a record
// appended to the damaged log keeps the records that were there (a torn one
// completed), drops only the oldest when the log is full, and is the last.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "linux/log_file.h"

using core::UnscrambleDaemonLogRecord;
using core::kDaemonLogMask;

namespace {

std::string& Dir() {
  static std::string dir;
  return dir;
}

void RemoveDir() {
  std::error_code ignored;
  std::filesystem::remove_all(Dir(), ignored);
}

// Memory-backed where it can be: every append is synced.
void MakeDir() {
  if (!Dir().empty()) return;
  char shm[] = "/dev/shm/vigil-logfuzz-XXXXXX";
  char tmp[] = "/tmp/vigil-logfuzz-XXXXXX";
  const char* made = mkdtemp(shm);
  if (!made) made = mkdtemp(tmp);
  if (!made) std::abort();
  Dir() = made;
  std::atexit(RemoveDir);
}

std::string ClearText(const uint8_t* bytes, size_t size) {
  std::string text;
  for (size_t at = 0; at < size; at += kRecordSize) {
    for (size_t i = at; i < size && i < at + kRecordSize; ++i) {
      char c = static_cast<char>(bytes[i] ^ kDaemonLogMask);
      if (c == '\0') break;
      text += c;
    }
  }
  return text;
}

void CheckReader(const uint8_t* data, size_t size) {
  if (size == 0) return;  // fmemopen refuses an empty buffer
  FILE* log = fmemopen(const_cast<uint8_t*>(data), size, "r");
  char* shown = nullptr;
  size_t shown_size = 0;
  FILE* out = open_memstream(&shown, &shown_size);
  if (!log || !out) std::abort();
  bool read = WriteLogText(log, out);
  std::fclose(log);
  std::fclose(out);
  if (!read || std::string(shown, shown_size) != ClearText(data, size)) std::abort();
  std::free(shown);
}

void CheckAppend(const uint8_t* data, size_t size) {
  if (size == 0) return;
  int limit = 1 + data[0] % 8;
  const uint8_t* old = data + 1;
  size_t old_size = size - 1;
  std::string log_path = Dir() + "/vigil20.log", tmp_path = Dir() + "/vigil20.logtmp";
  FILE* f = std::fopen(log_path.c_str(), "wb");
  if (!f || std::fwrite(old, 1, old_size, f) != old_size || std::fclose(f) != 0) std::abort();

  std::string line = "Wed Dec  9 17:00:00 2026\n --> vigil20: Falta de Rede\n";
  if (AppendLogRecord(log_path.c_str(), tmp_path.c_str(), limit, line) != 1) std::abort();

  struct stat st;
  if (stat(log_path.c_str(), &st) != 0 || st.st_size % kRecordSize != 0) std::abort();
  size_t records = static_cast<size_t>(st.st_size) / kRecordSize;
  size_t old_records = (old_size + kRecordSize - 1) / kRecordSize;
  size_t dropped = old_records >= static_cast<size_t>(limit) ? old_records - limit + 1 : 0;
  if (records != old_records - dropped + 1) std::abort();

  std::string now(records * kRecordSize, '\0');
  f = std::fopen(log_path.c_str(), "rb");
  if (!f || std::fread(now.data(), 1, now.size(), f) != now.size()) std::abort();
  std::fclose(f);
  // The records kept, byte for byte; a torn one completed with scrambled zeros.
  for (size_t i = dropped * kRecordSize; i < old_records * kRecordSize; ++i) {
    uint8_t expected = i < old_size ? old[i] : kDaemonLogMask;
    if (static_cast<uint8_t>(now[i - dropped * kRecordSize]) != expected) std::abort();
  }
  const auto* last = reinterpret_cast<const uint8_t*>(now.data()) + (records - 1) * kRecordSize;
  if (UnscrambleDaemonLogRecord(last, kRecordSize) != line) std::abort();
  if (access(tmp_path.c_str(), F_OK) == 0) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  MakeDir();
  CheckReader(data, size);
  CheckAppend(data, size);
  return 0;
}
