#include "web/history_store.h"

#include <cstdio>
#include <filesystem>
#include <set>
#include <system_error>

namespace web {

namespace fs = std::filesystem;

namespace {

constexpr const char* kCurrentExt = ".hist";
constexpr const char* kOlderExt = ".hist.1";

bool KeptAsIs(unsigned char c) { return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_'; }

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// The whole file; empty when it is missing or cannot be read.
std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::vector<uint8_t> bytes;
  FILE* file = std::fopen(path.c_str(), "rb");
  if (!file) return bytes;
  uint8_t buffer[8192];
  size_t n;
  while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) bytes.insert(bytes.end(), buffer, buffer + n);
  std::fclose(file);
  return bytes;
}

void Collect(const std::vector<uint8_t>& bytes, int64_t since, HistoryStore::Reading* reading) {
  ReadHistoryBytes(bytes.data(), bytes.size(), since, reading);
}

std::string ErrorText(const std::string& what, const std::error_code& error) { return what + ": " + error.message(); }

}  // namespace

void ReadHistoryBytes(const uint8_t* bytes, size_t size, int64_t since, HistoryStore::Reading* reading) {
  size_t whole = size / kHistoryRecordBytes * kHistoryRecordBytes;
  for (size_t at = 0; at < whole; at += kHistoryRecordBytes) {
    std::optional<HistoryRecord> record = DecodeHistoryRecord(bytes + at, kHistoryRecordBytes);
    if (!record)
      ++reading->damaged;
    else if (record->unixMs >= since)
      reading->records.push_back(*record);
  }
  if (whole != size) ++reading->damaged;
}

std::string HistoryFileStem(const std::string& station) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string stem;
  for (unsigned char c : station) {
    if (KeptAsIs(c)) {
      stem += static_cast<char>(c);
    } else {
      stem += '%';
      stem += kHex[c >> 4];
      stem += kHex[c & 15];
    }
  }
  // A station without a name still has a file.
  return stem.empty() ? "%" : stem;
}

std::optional<std::string> StationOfStem(const std::string& stem) {
  if (stem == "%") return std::string();
  std::string name;
  for (size_t i = 0; i < stem.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(stem[i]);
    if (KeptAsIs(c)) {
      name += static_cast<char>(c);
      continue;
    }
    if (c != '%' || i + 2 >= stem.size()) return std::nullopt;
    int high = HexValue(stem[i + 1]), low = HexValue(stem[i + 2]);
    if (high < 0 || low < 0) return std::nullopt;
    unsigned char byte = static_cast<unsigned char>(high * 16 + low);
    // Each byte has one spelling only.
    if (KeptAsIs(byte)) return std::nullopt;
    name += static_cast<char>(byte);
    i += 2;
  }
  if (name.size() > 32) return std::nullopt;
  return name;
}

HistoryStore::HistoryStore(std::string folder, HistoryLimits limits) : folder_(std::move(folder)), limits_(limits) {
  // Whole records only.
  limits_.fileBytes = std::max(limits_.fileBytes / kHistoryRecordBytes, size_t{1}) * kHistoryRecordBytes;
}

std::string HistoryStore::CurrentPath(const std::string& station) const {
  return (fs::path(folder_) / (HistoryFileStem(station) + kCurrentExt)).string();
}

std::string HistoryStore::OlderPath(const std::string& station) const {
  return (fs::path(folder_) / (HistoryFileStem(station) + kOlderExt)).string();
}

bool HistoryStore::Open(std::string* error) {
  std::error_code failure;
  fs::create_directories(folder_, failure);
  if (failure) {
    *error = ErrorText(folder_, failure);
    return false;
  }
  if (!fs::is_directory(folder_, failure)) {
    *error = folder_ + ": not a folder";
    return false;
  }
  return true;
}

std::vector<std::string> HistoryStore::Stations() const {
  std::lock_guard<std::mutex> hold(lock_);
  return StationsLocked();
}

std::vector<std::string> HistoryStore::StationsLocked() const {
  std::set<std::string> names;
  std::error_code failure;
  for (fs::directory_iterator it(folder_, failure), end; !failure && it != end; it.increment(failure)) {
    std::string file = it->path().filename().string();
    std::string stem;
    for (const char* ext : {kOlderExt, kCurrentExt}) {
      std::string e = ext;
      if (file.size() > e.size() && file.compare(file.size() - e.size(), e.size(), e) == 0) {
        stem = file.substr(0, file.size() - e.size());
        break;
      }
    }
    if (stem.empty()) continue;
    if (std::optional<std::string> name = StationOfStem(stem)) names.insert(*name);
  }
  return {names.begin(), names.end()};
}

bool HistoryStore::MakeRoom(const std::string& station, std::string* error) {
  std::error_code failure;
  if (fs::exists(CurrentPath(station), failure) || fs::exists(OlderPath(station), failure)) return true;
  std::vector<std::string> stations = StationsLocked();
  std::optional<std::string> oldest;
  int64_t oldestMs = INT64_MAX;
  if (stations.size() >= limits_.stations) {
    for (const std::string& other : stations) {
      std::optional<HistoryRecord> last = LastLocked(other);
      int64_t when = last ? last->unixMs : INT64_MIN;
      if (when < oldestMs || !oldest) {
        oldestMs = when;
        oldest = other;
      }
    }
  }
  if (!oldest) return true;
  fs::remove(CurrentPath(*oldest), failure);
  fs::remove(OlderPath(*oldest), failure);
  if (failure) {
    *error = ErrorText("removing the history of " + *oldest, failure);
    return false;
  }
  return true;
}

bool HistoryStore::Append(const std::string& station, const HistoryRecord& record, std::string* error) {
  uint8_t bytes[kHistoryRecordBytes];
  if (!EncodeHistoryRecord(record, bytes)) {
    *error = "the record's check value could not be made";
    return false;
  }
  std::lock_guard<std::mutex> hold(lock_);
  if (!MakeRoom(station, error)) return false;
  const std::string current = CurrentPath(station);
  std::error_code failure;
  uintmax_t size = fs::exists(current, failure) ? fs::file_size(current, failure) : 0;
  if (failure) {
    *error = ErrorText(current, failure);
    return false;
  }
  // A record cut short (the disk, not a kill, can do that) is dropped, so
  // that the next one starts on its boundary.
  if (size % kHistoryRecordBytes != 0) {
    size -= size % kHistoryRecordBytes;
    fs::resize_file(current, size, failure);
    if (failure) {
      *error = ErrorText(current, failure);
      return false;
    }
  }
  if (size + kHistoryRecordBytes > limits_.fileBytes) {
    // Two steps, each leaving a readable pair: the older file goes, then
    // the current one takes its name.
    const std::string older = OlderPath(station);
    fs::remove(older, failure);
    if (!failure) fs::rename(current, older, failure);
    if (failure) {
      *error = ErrorText(older, failure);
      return false;
    }
  }
  FILE* file = std::fopen(current.c_str(), "ab");
  if (!file) {
    *error = current + ": cannot be opened for appending";
    return false;
  }
  bool written = std::fwrite(bytes, 1, sizeof bytes, file) == sizeof bytes && std::fflush(file) == 0;
  bool closed = std::fclose(file) == 0;
  if (!written || !closed) {
    *error = current + ": the record could not be written";
    return false;
  }
  return true;
}

HistoryStore::Reading HistoryStore::Read(const std::string& station, int64_t sinceUnixMs) const {
  std::lock_guard<std::mutex> hold(lock_);
  Reading reading;
  Collect(ReadBytes(OlderPath(station)), sinceUnixMs, &reading);
  Collect(ReadBytes(CurrentPath(station)), sinceUnixMs, &reading);
  return reading;
}

std::optional<HistoryRecord> HistoryStore::Last(const std::string& station) const {
  std::lock_guard<std::mutex> hold(lock_);
  return LastLocked(station);
}

std::optional<HistoryRecord> HistoryStore::LastLocked(const std::string& station) const {
  for (const std::string& path : {CurrentPath(station), OlderPath(station)}) {
    Reading reading;
    Collect(ReadBytes(path), INT64_MIN, &reading);
    if (!reading.records.empty()) return reading.records.back();
  }
  return std::nullopt;
}

}  // namespace web
