// What a burst of events says, in Brazilian Portuguese: a subject, a text,
// the whole e-mail and the webhook's JSON document. UTF-8 throughout.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "web/notify/burst.h"

namespace web {

std::string NoticeSubject(const Burst& burst);
std::string NoticeText(const Burst& burst);

// The e-mail as it goes to the server (CRLF line ends), dated `unixMs`;
// `id` makes its Message-ID unique.
std::string MailMessage(const Burst& burst, const std::string& from, const std::vector<std::string>& to,
                        int64_t unixMs, const std::string& id);

// {"station", "title", "message", "events": [{"kind", "text", "time"}],
//  "more_events", "autonomy_left_s", "on_battery", "on_battery_s",
//  "charge_percent", "runtime_s"}; the figures only where known.
std::string WebhookJson(const Burst& burst);

// "10/12/2026 14:53:20", local time.
std::string LocalStamp(int64_t unixMs);
// "9 min 50 s", "2 h 5 min", "-30 s".
std::string Duration(int seconds);

}  // namespace web
