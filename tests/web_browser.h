// Debian's Chromium, headless, driven from the test over its DevTools
// pipe (--remote-debugging-pipe: JSON messages ended by a zero byte, the
// browser reading fd 3 and writing fd 4), inside a network namespace of the
// test. No browser of its own is fetched: /usr/bin/chromium is the one the
// system installed.
#pragma once

#include <sys/types.h>

#include <nlohmann/json.hpp>
#include <string>

class HeadlessChromium {
 public:
  // Starts the browser in network namespace `netns` with a profile in
  // `profileFolder`; `error` says why when it cannot.
  HeadlessChromium(const std::string& netns, const std::string& profileFolder, std::string* error);
  ~HeadlessChromium();
  HeadlessChromium(const HeadlessChromium&) = delete;
  HeadlessChromium& operator=(const HeadlessChromium&) = delete;

  bool Running() const { return pid_ > 0; }

  // Opens `url` in a new page of `width` x `height` and waits for its load;
  // false on failure. `mobile`: as a phone's browser (the page's viewport
  // meta tag is obeyed, scroll bars overlay the page).
  bool Open(const std::string& url, int width = 1100, int height = 600, bool mobile = false);
  // The value of a JavaScript expression in the page (null on failure).
  nlohmann::json Evaluate(const std::string& expression);
  // A PNG of the page into `path`: what the window shows, or with
  // `wholePage` the page from top to bottom at the window's width.
  bool Screenshot(const std::string& path, bool wholePage = false);

 private:
  // Sends a command and returns its result (null on error or time-out).
  nlohmann::json Call(const std::string& method, const nlohmann::json& params, bool inPage = true,
                      int timeoutMs = 15000);
  bool WaitForEvent(const std::string& method, int timeoutMs);
  bool ReadMessage(nlohmann::json* message, int timeoutMs);

  pid_t pid_ = -1;
  int toBrowser_ = -1, fromBrowser_ = -1;
  int nextId_ = 1;
  std::string session_;
  std::string pending_;  // bytes read past the last message
};
