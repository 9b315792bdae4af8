#include "web/web_log.h"

#include <chrono>

#include "web/text_escape.h"

namespace web {

WebLog::~WebLog() {
  if (file_) std::fclose(file_);
}

bool WebLog::Open(const std::string& path, int level, std::string* error) {
  std::lock_guard<std::mutex> hold(lock_);
  level_ = level;
  if (file_) std::fclose(file_);
  file_ = nullptr;
  if (path.empty()) return true;
  file_ = std::fopen(path.c_str(), "a");
  if (!file_) {
    *error = path + ": cannot be opened for appending";
    return false;
  }
  return true;
}

void WebLog::Line(int level, const std::string& text) {
  if (!Wants(level)) return;
  int64_t now = std::chrono::duration_cast<std::chrono::milliseconds>(
                    std::chrono::system_clock::now().time_since_epoch())
                    .count();
  std::string stamp = LocalDateTime(now);
  std::lock_guard<std::mutex> hold(lock_);
  FILE* out = file_ ? file_ : stderr;
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::fprintf(out, "%s vigil-web: %s\n", stamp.c_str(), text.substr(at, end - at).c_str());
    at = end + 1;
  }
  std::fflush(out);
}

}  // namespace web
