#include <chrono>

#include "web/notify/notice_text.h"
#include "web/notify/notifier.h"
#include "web/notify/notify_hub.h"

namespace web {

std::unique_ptr<Notifier> MakeNotifier(const WebSettings& settings, NotifyTell tell, std::string* error) {
  if (!settings.notify.Any()) return nullptr;
  auto hub = std::make_unique<NotifyHub>(settings, std::move(tell));
  if (!hub->Start(error)) return nullptr;
  return hub;
}

bool SendTestNotice(const WebSettings& settings, const std::string& channel, std::string* report) {
  const NotifySettings& s = settings.notify;
  int64_t now = std::chrono::duration_cast<std::chrono::milliseconds>(
                    std::chrono::system_clock::now().time_since_epoch())
                    .count();
  SendOutcome outcome;
  if (channel == "mail" && !s.mail.url.empty()) {
    StartCurl();
    outcome = SendMail(s.mail, s.caFile, MailFor(s.mail, TestBurst(), now, "teste." + std::to_string(now)));
  } else if (channel == "webhook" && !s.webhook.url.empty()) {
    StartCurl();
    outcome = PostWebhook(s.webhook, s.caFile, WebhookJson(TestBurst()));
  } else {
    *report = channel + ": canal não configurado (mail: MAIL_SERVER; webhook: WEBHOOK_URL)";
    return false;
  }
  *report = channel + (outcome.accepted ? ": aceita pelo servidor: " : ": recusada: ") + outcome.answer;
  return outcome.accepted;
}

}  // namespace web
