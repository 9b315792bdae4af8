#include "web/notify/notify_settings.h"

#include <cctype>

#include "core/config_lines.h"
#include "web/history_events.h"

using core::ConfigNumber;

namespace web {

namespace {

// The codes the history may hold: the event file's, and ours from 100.
constexpr int kHighestKind = 200;

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

bool StartsWith(const std::string& text, const char* prefix) { return text.rfind(prefix, 0) == 0; }

// A URL's text as libcurl will take it: no blanks, no control bytes.
bool PlainUrl(const std::string& url) {
  if (url.size() > 1024) return false;
  for (char c : url)
    if (static_cast<unsigned char>(c) <= 0x20 || c == 0x7F) return false;
  return true;
}

bool Kinds(const std::vector<std::string>& words, std::set<int>* kinds, std::string* error) {
  if (words.size() < 2) {
    *error = words[0] + " takes kinds of events, or all";
    return false;
  }
  kinds->clear();
  for (size_t i = 1; i < words.size(); ++i) {
    bool found = false;
    for (int code = 1; code <= kHighestKind; ++code) {
      std::string slug = EventSlug(code);
      if (slug == "other" || (words[i] != "all" && words[i] != slug)) continue;
      kinds->insert(code);
      found = true;
    }
    if (!found) {
      *error = "not a kind of event: " + words[i];
      return false;
    }
  }
  return true;
}

}  // namespace

std::set<int> DefaultNotifyKinds() {
  return {kEventMainsFailure, kEventMainsReturn, kEventBatteryCritical, 4 /* low_battery_shutdown */,
          kEventShutdown, 6 /* shutdown_forced */, kEventSilent, kEventHeard};
}

bool NotifyFilter::Wants(const std::string& station, int kind) const {
  return kinds.count(kind) && (stations.empty() || stations.count(station));
}

bool ParseNotifyLine(const std::vector<std::string>& words, NotifySettings* s, bool* taken, std::string* error) {
  *taken = true;
  const std::string name = Upper(words[0]);
  auto fail = [&](const std::string& why) {
    *error = why;
    return false;
  };
  auto one = [&](std::string* into) {
    if (words.size() != 2 || words[1].empty()) return fail(name + " takes one word (quote it if it has blanks)");
    *into = words[1];
    return true;
  };
  if (name == "MAIL_SERVER") {
    if (!one(&s->mail.url)) return false;
    if ((!StartsWith(s->mail.url, "smtp://") && !StartsWith(s->mail.url, "smtps://")) || !PlainUrl(s->mail.url))
      return fail("MAIL_SERVER takes smtp://host[:port] or smtps://host[:port]");
  } else if (name == "MAIL_TLS") {
    if (words.size() != 2 || (words[1] != "required" && words[1] != "none"))
      return fail("MAIL_TLS takes required or none");
    s->mail.requireTls = words[1] == "required";
  } else if (name == "MAIL_LOGIN") {
    if (words.size() != 3 || words[1].empty()) return fail("MAIL_LOGIN takes a user and a password");
    s->mail.user = words[1];
    s->mail.password = words[2];
  } else if (name == "MAIL_FROM") {
    if (!one(&s->mail.from)) return false;
    if (s->mail.from.find('@') == std::string::npos || !PlainUrl(s->mail.from))
      return fail("MAIL_FROM takes an address: " + s->mail.from);
  } else if (name == "MAIL_TO") {
    if (words.size() < 2) return fail("MAIL_TO takes addresses");
    for (size_t i = 1; i < words.size(); ++i) {
      if (words[i].find('@') == std::string::npos || !PlainUrl(words[i]))
        return fail("MAIL_TO takes addresses: " + words[i]);
      s->mail.to.push_back(words[i]);
    }
  } else if (name == "MAIL_EVENTS") {
    return Kinds(words, &s->mail.filter.kinds, error);
  } else if (name == "MAIL_STATIONS") {
    if (words.size() < 2) return fail("MAIL_STATIONS takes station names");
    s->mail.filter.stations.insert(words.begin() + 1, words.end());
  } else if (name == "WEBHOOK_URL") {
    if (!one(&s->webhook.url)) return false;
    if ((!StartsWith(s->webhook.url, "http://") && !StartsWith(s->webhook.url, "https://")) ||
        !PlainUrl(s->webhook.url))
      return fail("WEBHOOK_URL takes http:// or https://");
  } else if (name == "WEBHOOK_HEADER") {
    std::string header;
    if (!one(&header)) return false;
    size_t colon = header.find(':');
    bool clean = colon != std::string::npos && colon > 0;
    for (char c : header)
      if (c == '\r' || c == '\n') clean = false;
    if (!clean || header.size() > 1024) return fail("WEBHOOK_HEADER takes \"Name: value\"");
    s->webhook.headers.push_back(header);
  } else if (name == "WEBHOOK_EVENTS") {
    return Kinds(words, &s->webhook.filter.kinds, error);
  } else if (name == "WEBHOOK_STATIONS") {
    if (words.size() < 2) return fail("WEBHOOK_STATIONS takes station names");
    s->webhook.filter.stations.insert(words.begin() + 1, words.end());
  } else if (name == "NOTIFY_KEEP") {
    if (words.size() != 2 || !ConfigNumber(words[1], 1, 24 * 365, &s->keepHours)) return fail("NOTIFY_KEEP takes hours");
  } else if (name == "NOTIFY_RETRY") {
    if (words.size() != 3 || !ConfigNumber(words[1], 1, 86400, &s->retryMinSeconds) ||
        !ConfigNumber(words[2], s->retryMinSeconds, 86400, &s->retryMaxSeconds))
      return fail("NOTIFY_RETRY takes the least and the most seconds between attempts");
  } else if (name == "NOTIFY_WINDOW") {
    if (words.size() != 2 || !ConfigNumber(words[1], 0, 3600, &s->windowSeconds))
      return fail("NOTIFY_WINDOW takes seconds (0 to 3600)");
  } else if (name == "NOTIFY_CA") {
    return one(&s->caFile);
  } else {
    *taken = false;
  }
  return true;
}

std::string NotifySettingsProblem(const NotifySettings& s) {
  if (!s.mail.url.empty() && s.mail.to.empty()) return "MAIL_SERVER without MAIL_TO";
  if (!s.mail.url.empty() && s.mail.from.empty()) return "MAIL_SERVER without MAIL_FROM";
  if (s.mail.url.empty() && (!s.mail.to.empty() || !s.mail.user.empty())) return "MAIL_TO or MAIL_LOGIN without MAIL_SERVER";
  if (s.webhook.url.empty() && !s.webhook.headers.empty()) return "WEBHOOK_HEADER without WEBHOOK_URL";
  return "";
}

}  // namespace web
