#include "web/own_figures.h"

#include <cstdio>
#include <memory>
#include <optional>

#include "core/ups_figures.h"
#include "platform/directories.h"

namespace web {

namespace {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

// The file whole, or nothing when it is missing or longer than the format
// allows.
std::optional<std::string> ReadSmallFile(const std::string& path) {
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
  if (!file) return std::nullopt;
  std::string bytes(core::kUpsFiguresMax + 1, '\0');
  size_t have = std::fread(bytes.data(), 1, bytes.size(), file.get());
  if (std::ferror(file.get()) || have > core::kUpsFiguresMax) return std::nullopt;
  bytes.resize(have);
  return bytes;
}

}  // namespace

std::string SuiteFiguresPath() {
  char dir[1024];
  uint32_t length = platform::GetWindowsDir(dir, sizeof dir);
  if (length == 0 || length >= sizeof dir) return "";
  return core::SuiteUpsFiguresPath(std::string_view(dir, length), platform::PathSeparator());
}

void JoinOwnFigures(BoardNow* now, const std::vector<std::string>& paths) {
  for (const std::string& path : paths) {
    if (path.empty()) continue;
    std::optional<std::string> text = ReadSmallFile(path);
    std::optional<core::UpsFigures> figures = text ? core::ParseUpsFigures(*text) : std::nullopt;
    if (!figures) continue;
    for (StationNow& station : now->stations)
      if (station.heard) core::TakeUpsFigures(*figures, station.name, now->unixMs, &station.measured);
  }
}

}  // namespace web
