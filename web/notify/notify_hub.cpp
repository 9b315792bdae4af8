#include "web/notify/notify_hub.h"

#include "platform/tick_count.h"

#include <chrono>
#include <filesystem>

#include "web/notify/notice_text.h"
#include "web/web_log.h"

namespace web {

namespace {

void Family(std::string* out, const char* name, const char* type, const char* help) {
  *out += std::string("# HELP ") + name + " " + help + "\n# TYPE " + name + " " + type + "\n";
}

}  // namespace

std::string MailFor(const MailChannel& mail, const Burst& burst, int64_t unixMs, const std::string& id) {
  return MailMessage(burst, mail.from, mail.to, unixMs, id);
}

Burst TestBurst() { return Burst{"vigil-web", {}, 0, {}}; }

NotifyHub::NotifyHub(const WebSettings& settings, NotifyTell tell)
    : settings_(settings.notify),
      folder_((std::filesystem::path(settings.stateFolder) / "outbox").string()),
      tell_(std::move(tell)) {
  runId_ = std::random_device{}();
}

NotifyHub::~NotifyHub() {
  // The threads end before the outboxes they read.
  for (Channel& c : channels_) c.sender.reset();
}

int64_t NotifyHub::MonoMs() const { return platform::MonotonicMs(); }

int64_t NotifyHub::WallMs() const {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
      .count();
}

bool NotifyHub::Start(std::string* error) {
  StartCurl();
  const NotifySettings& s = settings_;
  if (!s.mail.url.empty()) {
    Channel c;
    c.name = "mail";
    c.filter = &s.mail.filter;
    c.render = [this](const Burst& burst, int64_t unixMs) {
      std::string id = std::to_string(unixMs) + "." + std::to_string(runId_) + "." + std::to_string(++serial_);
      return MailFor(settings_.mail, burst, unixMs, id);
    };
    c.sender = nullptr;
    channels_.push_back(std::move(c));
  }
  if (!s.webhook.url.empty()) {
    Channel c;
    c.name = "webhook";
    c.filter = &s.webhook.filter;
    c.render = [](const Burst& burst, int64_t) { return WebhookJson(burst); };
    channels_.push_back(std::move(c));
  }
  for (Channel& c : channels_) {
    c.outbox = std::make_unique<Outbox>((std::filesystem::path(folder_) / c.name).string());
    std::string setAside;
    if (!c.outbox->Open(error, &setAside)) return false;
    if (!setAside.empty()) tell_(kLogFaults, c.name + ": mensagem ilegível posta de lado: " + setAside);
    if (c.outbox->Count())
      tell_(kLogFaults, c.name + ": " + std::to_string(c.outbox->Count()) + " mensagens aguardam envio");
    c.gatherer = std::make_unique<BurstGatherer>(int64_t{s.windowSeconds} * 1000);
    ChannelSender::Send send;
    if (c.name == "mail")
      send = [this](const std::string& payload, const std::atomic<bool>* cancel) {
        return SendMail(settings_.mail, settings_.caFile, payload, cancel);
      };
    else
      send = [this](const std::string& payload, const std::atomic<bool>* cancel) {
        return PostWebhook(settings_.webhook, settings_.caFile, payload, cancel);
      };
    c.sender = std::make_unique<ChannelSender>(c.name, *c.outbox, std::move(send), settings_, tell_);
    c.sender->Start();
  }
  return true;
}

void NotifyHub::Put(Channel& channel, const Burst& burst) {
  int64_t now = WallMs();
  std::string error;
  if (!channel.outbox->Put(OutboxRecord{now, channel.render(burst, now)}, &error)) {
    tell_(kLogFaults, channel.name + ": mensagem perdida, a caixa de saída não a guardou: " + error);
    return;
  }
  channel.sender->Poke();
}

void NotifyHub::OnEvent(const std::string& station, int kind, int64_t unixMs, const StationFacts& facts) {
  for (Channel& c : channels_) {
    if (!c.filter->Wants(station, kind)) continue;
    Burst now = c.gatherer->Add(station, BurstEvent{kind, unixMs}, facts, MonoMs());
    if (!now.events.empty()) Put(c, now);
  }
}

void NotifyHub::OnTick() {
  int64_t mono = MonoMs();
  for (Channel& c : channels_)
    for (const Burst& burst : c.gatherer->Due(mono)) Put(c, burst);
}

std::string NotifyHub::MetricsText() const {
  std::string out;
  int64_t now = WallMs();
  struct Row {
    std::string label;
    ChannelCounts counts;
    size_t waiting;
    int64_t oldestS;
  };
  std::vector<Row> rows;
  for (const Channel& c : channels_) {
    std::optional<int64_t> oldest = c.outbox->OldestCreatedMs();
    rows.push_back({"{channel=\"" + c.name + "\"} ", c.sender->Counts(), c.outbox->Count(),
                    oldest && now > *oldest ? (now - *oldest) / 1000 : 0});
  }
  Family(&out, "vigil_notify_sent_total", "counter", "Messages the channel's server accepted");
  for (const Row& r : rows) out += "vigil_notify_sent_total" + r.label + std::to_string(r.counts.sent) + "\n";
  Family(&out, "vigil_notify_failed_total", "counter", "Attempts that failed (refused or not reached), each retried");
  for (const Row& r : rows) out += "vigil_notify_failed_total" + r.label + std::to_string(r.counts.failed) + "\n";
  Family(&out, "vigil_notify_dropped_total", "counter", "Messages dropped unsent after the time to keep");
  for (const Row& r : rows) out += "vigil_notify_dropped_total" + r.label + std::to_string(r.counts.dropped) + "\n";
  Family(&out, "vigil_notify_waiting", "gauge", "Messages waiting in the outbox");
  for (const Row& r : rows) out += "vigil_notify_waiting" + r.label + std::to_string(r.waiting) + "\n";
  Family(&out, "vigil_notify_oldest_waiting_seconds", "gauge", "Age of the oldest waiting message (0: none waits)");
  for (const Row& r : rows) out += "vigil_notify_oldest_waiting_seconds" + r.label + std::to_string(r.oldestS) + "\n";
  return out;
}

}  // namespace web
