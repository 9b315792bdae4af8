#include "web/notify/outbox.h"

#include <cinttypes>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "platform/durable_file.h"

namespace web {

namespace fs = std::filesystem;

namespace {

constexpr const char* kSuffix = ".msg";
// The header line is short; more than this before the line feed is no record.
constexpr size_t kHeaderMax = 80;

uint64_t Fnv1a(std::string_view bytes) {
  uint64_t hash = 0xcbf29ce484222325ULL;
  for (unsigned char c : bytes) {
    hash ^= c;
    hash *= 0x100000001b3ULL;
  }
  return hash;
}

// The number of a file name "<20 digits>.msg"; nothing for any other name.
std::optional<uint64_t> NumberOf(const std::string& name) {
  if (name.size() != 20 + 4 || name.compare(20, 4, kSuffix) != 0) return std::nullopt;
  uint64_t n = 0;
  for (size_t i = 0; i < 20; ++i) {
    if (name[i] < '0' || name[i] > '9') return std::nullopt;
    if (n > (UINT64_MAX - 9) / 10) return std::nullopt;
    n = n * 10 + static_cast<uint64_t>(name[i] - '0');
  }
  return n;
}

}  // namespace

std::string EncodeOutboxRecord(const OutboxRecord& record) {
  char header[kHeaderMax];
  std::snprintf(header, sizeof header, "VN1 %" PRId64 " %zu %016" PRIx64 "\n", record.createdMs, record.payload.size(),
                Fnv1a(record.payload));
  return header + record.payload;
}

std::optional<OutboxRecord> DecodeOutboxRecord(std::string_view bytes) {
  size_t end = bytes.find('\n');
  if (end == std::string_view::npos || end >= kHeaderMax) return std::nullopt;
  std::string header(bytes.substr(0, end));
  int64_t created = 0;
  size_t size = 0;
  uint64_t hash = 0;
  int used = 0;
  if (std::sscanf(header.c_str(), "VN1 %" SCNd64 " %zu %16" SCNx64 "%n", &created, &size, &hash, &used) != 3 ||
      static_cast<size_t>(used) != header.size() || created < 0 || size > kOutboxPayloadMax)
    return std::nullopt;
  std::string_view payload = bytes.substr(end + 1);
  if (payload.size() != size || Fnv1a(payload) != hash) return std::nullopt;
  return OutboxRecord{created, std::string(payload)};
}

Outbox::Outbox(std::string folder) : folder_(std::move(folder)) {}

std::string Outbox::PathOf(uint64_t number) const {
  char name[32];
  std::snprintf(name, sizeof name, "%020" PRIu64 "%s", number, kSuffix);
  return (fs::path(folder_) / name).string();
}

std::optional<OutboxRecord> Outbox::ReadOrSetAside(const std::string& path, std::string* setAside) {
  std::string bytes;
  bool failed = false;
  {
    // Closed before a rename: Windows renames no file that is open.
    std::ifstream in(path, std::ios::binary);
    if (in) {
      bytes.resize(kOutboxPayloadMax + kHeaderMax + 1);
      in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
      bytes.resize(static_cast<size_t>(in.gcount()));
    }
    failed = in.bad();
  }
  std::optional<OutboxRecord> record = failed ? std::nullopt : DecodeOutboxRecord(bytes);
  if (!record) {
    std::error_code failure;
    fs::rename(path, path + ".bad", failure);
    if (setAside) *setAside += (setAside->empty() ? "" : ", ") + path;
  }
  return record;
}

bool Outbox::Open(std::string* error, std::string* setAside) {
  std::lock_guard<std::mutex> hold(lock_);
  std::error_code failure;
  fs::create_directories(folder_, failure);
  if (failure) {
    *error = folder_ + ": " + failure.message();
    return false;
  }
  waiting_.clear();
  next_ = 1;
  for (fs::directory_iterator it(folder_, failure), end; !failure && it != end; it.increment(failure)) {
    std::string name = it->path().filename().string();
    std::optional<uint64_t> number = NumberOf(name);
    if (!number) {
      // A write that a crash cut short never became a message.
      if (name.size() > 5 && name.compare(name.size() - 5, 5, ".part") == 0) fs::remove(it->path(), failure);
      failure.clear();
      continue;
    }
    if (*number >= next_) next_ = *number + 1;
    std::optional<OutboxRecord> record = ReadOrSetAside(it->path().string(), setAside);
    if (record) waiting_[*number] = record->createdMs;
  }
  if (failure) {
    *error = folder_ + ": " + failure.message();
    return false;
  }
  return true;
}

bool Outbox::Put(const OutboxRecord& record, std::string* error) {
  std::lock_guard<std::mutex> hold(lock_);
  if (waiting_.size() >= kOutboxMessagesMax) {
    *error = folder_ + ": full (" + std::to_string(kOutboxMessagesMax) + " messages waiting)";
    return false;
  }
  if (record.payload.size() > kOutboxPayloadMax) {
    *error = folder_ + ": a message of " + std::to_string(record.payload.size()) + " bytes is too long";
    return false;
  }
  uint64_t number = next_;
  if (!platform::WriteFileDurably(PathOf(number), EncodeOutboxRecord(record), error)) return false;
  ++next_;
  waiting_[number] = record.createdMs;
  return true;
}

std::optional<Outbox::Head> Outbox::Oldest(std::string* setAside) {
  std::lock_guard<std::mutex> hold(lock_);
  while (!waiting_.empty()) {
    uint64_t number = waiting_.begin()->first;
    std::optional<OutboxRecord> record = ReadOrSetAside(PathOf(number), setAside);
    if (record) return Head{number, std::move(*record)};
    waiting_.erase(waiting_.begin());
  }
  return std::nullopt;
}

bool Outbox::Remove(uint64_t number, std::string* error) {
  std::lock_guard<std::mutex> hold(lock_);
  std::error_code failure;
  fs::remove(PathOf(number), failure);
  // Forgotten even so: the server has it, and sending it again at once and
  // for ever would be worse than once more after a restart.
  waiting_.erase(number);
  if (failure) {
    *error = PathOf(number) + ": " + failure.message();
    return false;
  }
  return true;
}

size_t Outbox::Count() const {
  std::lock_guard<std::mutex> hold(lock_);
  return waiting_.size();
}

std::optional<int64_t> Outbox::OldestCreatedMs() const {
  std::lock_guard<std::mutex> hold(lock_);
  if (waiting_.empty()) return std::nullopt;
  return waiting_.begin()->second;
}

}  // namespace web
