// A channel's sending thread: it takes its outbox's oldest message, hands
// it to the server, and only then removes it; a failure is tried again
// after a delay that doubles from the least to the most the settings
// allow; a message older than the time to keep is dropped, and said so.
// One message at a time, so the server gets them in order.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "web/notify/curl_send.h"
#include "web/notify/notifier.h"
#include "web/notify/outbox.h"

namespace web {

// The delay after a failed attempt, when the one before was `previousMs`
// (0: this is the first failure).
int64_t NextRetryDelayMs(int64_t previousMs, int minSeconds, int maxSeconds);

struct ChannelCounts {
  uint64_t sent = 0;
  uint64_t failed = 0;   // attempts the server refused or that did not reach it
  uint64_t dropped = 0;  // messages older than the time to keep
};

class ChannelSender {
 public:
  using Send = std::function<SendOutcome(const std::string& payload, const std::atomic<bool>* cancel)>;
  // `name`: "mail" or "webhook", for the log and the metrics.
  ChannelSender(std::string name, Outbox& outbox, Send send, const NotifySettings& settings, NotifyTell tell);
  ~ChannelSender();  // stops the thread, ending an attempt under way

  void Start();
  // A message was put in the outbox.
  void Poke();

  const std::string& name() const { return name_; }
  ChannelCounts Counts() const;

 private:
  void Run();
  int64_t WallMs() const;

  std::string name_;
  Outbox& outbox_;
  Send send_;
  int64_t keepMs_;
  int retryMin_, retryMax_;
  NotifyTell tell_;

  mutable std::mutex lock_;
  std::condition_variable wake_;
  bool poked_ = false;
  std::atomic<bool> stop_{false};
  ChannelCounts counts_;
  std::thread thread_;
};

}  // namespace web
