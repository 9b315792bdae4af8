// The notifier of a system that has the channels: a burst gatherer, an
// outbox and a sending thread for each channel set.
#pragma once

#include <memory>
#include <random>
#include <string>
#include <vector>

#include "web/notify/burst.h"
#include "web/notify/channel_sender.h"
#include "web/notify/notifier.h"
#include "web/notify/outbox.h"

namespace web {

class NotifyHub : public Notifier {
 public:
  NotifyHub(const WebSettings& settings, NotifyTell tell);
  ~NotifyHub() override;
  // Opens the outboxes (under the state folder's "outbox") and starts the threads.
  bool Start(std::string* error);

  void OnEvent(const std::string& station, int kind, int64_t unixMs, const StationFacts& facts) override;
  void OnTick() override;
  std::string MetricsText() const override;

 private:
  struct Channel {
    std::string name;
    const NotifyFilter* filter;
    std::function<std::string(const Burst&, int64_t)> render;
    std::unique_ptr<Outbox> outbox;
    std::unique_ptr<BurstGatherer> gatherer;
    std::unique_ptr<ChannelSender> sender;
  };
  void Put(Channel& channel, const Burst& burst);
  int64_t MonoMs() const;
  int64_t WallMs() const;

  NotifySettings settings_;
  std::string folder_;
  NotifyTell tell_;
  std::vector<Channel> channels_;
  uint64_t serial_ = 0;
  uint64_t runId_ = 0;
};

// The message of a channel for `burst`, as the outbox keeps it.
std::string MailFor(const MailChannel& mail, const Burst& burst, int64_t unixMs, const std::string& id);

// A burst that says it is a test.
Burst TestBurst();

}  // namespace web
