#include "agent/text_log.h"

#include <cstdarg>
#include <cstdio>
#include <ctime>

#include "platform/local_time.h"

void CTextLog::Create(const std::string& path, uint32_t options) {
  Close();
  path_ = path;
  options_ = options;
}

void CTextLog::Recreate() {
  Close();
  std::remove(path_.c_str());
}

bool CTextLog::Open() {
  Close();
  file_ = std::fopen(path_.c_str(), "wb");
  return file_ != nullptr;
}

void CTextLog::Write(const char* format, ...) {
  if (!file_) return;
  std::lock_guard<std::mutex> hold(lock_);
  char message[kLineBytes];
  va_list args;
  va_start(args, format);
  // vsnprintf cuts a longer message to the buffer and terminates it.
  int length = std::vsnprintf(message, sizeof message, format, args);
  va_end(args);
  if (length < 0) return;
  if (options_ & kTimeStamp) {
    char when[32] = "";
    std::tm local{};
    if (platform::LocalTime(std::time(nullptr), &local)) std::strftime(when, sizeof when, "%d/%m/%Y %H:%M:%S", &local);
    std::fprintf(file_, "%s  %s%c%c", when, message, 13, 10);
  } else {
    std::fprintf(file_, "%s%c%c", message, 13, 10);
  }
  std::fflush(file_);
}

void CTextLog::Close() {
  if (file_) std::fclose(file_);
  file_ = nullptr;
}
