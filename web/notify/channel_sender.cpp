#include "web/notify/channel_sender.h"

#include <chrono>

#include "web/notify/notice_text.h"
#include "web/web_log.h"

namespace web {

using Clock = std::chrono::steady_clock;

int64_t NextRetryDelayMs(int64_t previousMs, int minSeconds, int maxSeconds) {
  int64_t least = int64_t{minSeconds} * 1000, most = int64_t{maxSeconds} * 1000;
  if (previousMs <= 0) return least;
  int64_t next = previousMs * 2;
  return next < least ? least : next > most ? most : next;
}

ChannelSender::ChannelSender(std::string name, Outbox& outbox, Send send, const NotifySettings& settings,
                             NotifyTell tell)
    : name_(std::move(name)),
      outbox_(outbox),
      send_(std::move(send)),
      keepMs_(int64_t{settings.keepHours} * 3600 * 1000),
      retryMin_(settings.retryMinSeconds),
      retryMax_(settings.retryMaxSeconds),
      tell_(std::move(tell)) {}

ChannelSender::~ChannelSender() {
  {
    std::lock_guard<std::mutex> hold(lock_);
    stop_ = true;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void ChannelSender::Start() { thread_ = std::thread([this] { Run(); }); }

void ChannelSender::Poke() {
  {
    std::lock_guard<std::mutex> hold(lock_);
    poked_ = true;
  }
  wake_.notify_all();
}

ChannelCounts ChannelSender::Counts() const {
  std::lock_guard<std::mutex> hold(lock_);
  return counts_;
}

int64_t ChannelSender::WallMs() const {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
      .count();
}

void ChannelSender::Run() {
  int64_t delayMs = 0;
  Clock::time_point nextTry = Clock::now();
  while (!stop_) {
    std::string setAside;
    std::optional<Outbox::Head> head = outbox_.Oldest(&setAside);
    if (!setAside.empty()) tell_(kLogFaults, name_ + ": mensagem ilegível posta de lado: " + setAside);
    {
      std::unique_lock<std::mutex> hold(lock_);
      if (!head) {
        wake_.wait(hold, [&] { return stop_ || poked_; });
        poked_ = false;
        continue;
      }
      poked_ = false;
      if (Clock::now() < nextTry) {
        // A message put meanwhile waits behind the one that failed.
        wake_.wait_until(hold, nextTry, [&] { return stop_.load(); });
        continue;
      }
    }
    int64_t age = WallMs() - head->record.createdMs;
    std::string error;
    if (age > keepMs_) {
      if (!outbox_.Remove(head->number, &error)) tell_(kLogFaults, name_ + ": " + error);
      std::lock_guard<std::mutex> hold(lock_);
      ++counts_.dropped;
      tell_(kLogFaults, name_ + ": mensagem " + std::to_string(head->number) + " descartada sem envio após " +
                            Duration(static_cast<int>(age / 1000)) + " (NOTIFY_KEEP)");
      continue;
    }
    SendOutcome outcome = send_(head->record.payload, &stop_);
    if (outcome.accepted) {
      if (!outbox_.Remove(head->number, &error)) tell_(kLogFaults, name_ + ": " + error);
      delayMs = 0;
      {
        std::lock_guard<std::mutex> hold(lock_);
        ++counts_.sent;
      }
      tell_(kLogRequests, name_ + ": mensagem " + std::to_string(head->number) + " enviada: " + outcome.answer);
      continue;
    }
    if (stop_) break;
    delayMs = NextRetryDelayMs(delayMs, retryMin_, retryMax_);
    nextTry = Clock::now() + std::chrono::milliseconds(delayMs);
    {
      std::lock_guard<std::mutex> hold(lock_);
      ++counts_.failed;
    }
    tell_(kLogFaults, name_ + ": mensagem " + std::to_string(head->number) + " não enviada: " + outcome.answer +
                          "; nova tentativa em " + Duration(static_cast<int>(delayMs / 1000)));
  }
}

}  // namespace web
