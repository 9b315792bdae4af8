// The agent's debug text log: a plain file of lines ending in CR LF, each
// (with option kTimeStamp) starting with the local time and two spaces.
// Writers are serialised by the log's own lock, so one line is written at a
// time. Silent when not open.
#pragma once

#include <cstdint>
#include <cstdio>
#include <mutex>
#include <string>

class CTextLog {
 public:
  static constexpr uint32_t kTimeStamp = 4;
  // The formatted message is cut to this many bytes, terminator included.
  static constexpr size_t kLineBytes = 260;

  CTextLog() = default;
  ~CTextLog() { Close(); }
  CTextLog(const CTextLog&) = delete;
  CTextLog& operator=(const CTextLog&) = delete;

  // Stores the path and options; opens nothing.
  void Create(const std::string& path, uint32_t options);
  // Closes the file, then deletes it (a missing file is no failure).
  void Recreate();
  // Creates or empties the file for writing. False when it cannot; the log
  // then stays silent.
  bool Open();
  // Formats like printf and writes one line, flushed at once.
  void Write(const char* format, ...) __attribute__((format(printf, 2, 3)));
  void Close();

  bool IsOpen() const { return file_ != nullptr; }
  const std::string& Path() const { return path_; }

 private:
  uint32_t options_ = 0;
  std::string path_;
  std::FILE* file_ = nullptr;
  std::mutex lock_;
};
