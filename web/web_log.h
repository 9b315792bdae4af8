// vigil-web's log: one line per happening, with the local time, into the
// log file when one is set, else standard error (the journal under
// systemd). Safe from every thread.
#pragma once

#include <atomic>
#include <cstdio>
#include <mutex>
#include <string>

namespace web {

// What is written at each level and above.
inline constexpr int kLogFaults = 0;    // start, stop, what went wrong
inline constexpr int kLogRequests = 1;  // each request answered
inline constexpr int kLogDetail = 2;    // each refused datagram, each event recorded

class WebLog {
 public:
  WebLog() = default;
  ~WebLog();
  WebLog(const WebLog&) = delete;
  WebLog& operator=(const WebLog&) = delete;

  // Opens `path` for appending (empty: standard error); false with `error`,
  // the log then staying on standard error.
  bool Open(const std::string& path, int level, std::string* error);

  bool Wants(int level) const { return level <= level_; }
  // Writes `text` (one or more lines) when the level is wanted.
  void Line(int level, const std::string& text);

 private:
  std::mutex lock_;
  FILE* file_ = nullptr;  // owned; nullptr: standard error
  std::atomic<int> level_{kLogFaults};
};

}  // namespace web
