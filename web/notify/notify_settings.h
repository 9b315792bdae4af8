// The notification settings of vigil-web's configuration file, one setting
// a line among the others (web_settings.h reads the words):
//   MAIL_SERVER url          smtp://host[:port] (STARTTLS, port 25 unless
//                            given) or smtps://host[:port] (TLS from the
//                            first byte, port 465)
//   MAIL_TLS required|none   with smtp://, whether STARTTLS is demanded
//                            (required) or the server is spoken to in clear
//   MAIL_LOGIN user password the login, when the server asks for one
//   MAIL_FROM address        the sender
//   MAIL_TO address...       the recipients (the line may repeat)
//   MAIL_EVENTS kind...      the events sent by mail: the metrics' kind
//                            names (mains_failure, ...) or "all"
//   MAIL_STATIONS name...    the stations whose events are sent; none: all
//   WEBHOOK_URL url          http:// or https://: a JSON document POSTed
//   WEBHOOK_HEADER "N: v"    a header sent with it (the line may repeat)
//   WEBHOOK_EVENTS kind...   as MAIL_EVENTS
//   WEBHOOK_STATIONS name... as MAIL_STATIONS
//   NOTIFY_KEEP hours        a message not sent after this long is dropped
//                            (24)
//   NOTIFY_RETRY min max     seconds between attempts: min, doubling up to
//                            max (10 600)
//   NOTIFY_WINDOW seconds    events of one station within this window after
//                            a message go out as one message (30)
//   NOTIFY_CA file           the certificate authorities trusted instead of
//                            the system's
// The login and the headers are secrets: a file holding them must be
// readable by its owner alone, as for KEY.
#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace web {

// The events sent when the settings do not choose: mains failure, return,
// critical battery, shutdown started, a station gone silent and heard again.
std::set<int> DefaultNotifyKinds();

struct NotifyFilter {
  std::set<int> kinds = DefaultNotifyKinds();
  std::set<std::string> stations;  // empty: every station
  bool Wants(const std::string& station, int kind) const;
};

struct MailChannel {
  std::string url;  // empty: no mail
  bool requireTls = true;
  std::string user, password;
  std::string from;
  std::vector<std::string> to;
  NotifyFilter filter;
};

struct WebhookChannel {
  std::string url;  // empty: no webhook
  std::vector<std::string> headers;  // "Name: value"
  NotifyFilter filter;
};

struct NotifySettings {
  MailChannel mail;
  WebhookChannel webhook;
  int keepHours = 24;
  int retryMinSeconds = 10;
  int retryMaxSeconds = 600;
  int windowSeconds = 30;
  std::string caFile;  // empty: the system's authorities

  bool Any() const { return !mail.url.empty() || !webhook.url.empty(); }
  // A password or a header the file must keep from other users.
  bool HoldsSecrets() const { return !mail.password.empty() || !webhook.headers.empty(); }
};

// Takes one line's words when its first word is a notification setting:
// true with `*taken` set; false with `error` for a setting it does not
// accept; `*taken` false and true returned for a word not of these.
bool ParseNotifyLine(const std::vector<std::string>& words, NotifySettings* settings, bool* taken,
                     std::string* error);

// What is missing for the channels set to work ("MAIL_SERVER without
// MAIL_TO", ...); empty when nothing is.
std::string NotifySettingsProblem(const NotifySettings& settings);

}  // namespace web
