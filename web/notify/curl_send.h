// One attempt at handing a message to a channel's server, through libcurl:
// blocking, with time limits; called from the channel's own thread (and
// from the test switch).
#pragma once

#include <atomic>
#include <string>

#include "web/notify/notify_settings.h"

namespace web {

struct SendOutcome {
  bool accepted = false;
  // The server's last words ("250 2.0.0 Ok", "HTTP 500: ...") or, when it
  // could not be reached, libcurl's reason.
  std::string answer;
};

// Once, before any thread sends.
void StartCurl();

// `cancel`, when set by another thread, ends the attempt (not accepted).
SendOutcome SendMail(const MailChannel& mail, const std::string& caFile, const std::string& message,
                     const std::atomic<bool>* cancel = nullptr);
SendOutcome PostWebhook(const WebhookChannel& webhook, const std::string& caFile, const std::string& json,
                        const std::atomic<bool>* cancel = nullptr);

}  // namespace web
