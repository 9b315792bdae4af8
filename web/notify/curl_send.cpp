#include "web/notify/curl_send.h"

#include <curl/curl.h>

#include <algorithm>
#include <cstring>
#include <memory>

namespace web {

namespace {

constexpr long kConnectSeconds = 10;
constexpr long kWholeSeconds = 60;
// What is kept of a server's answer for the log.
constexpr size_t kAnswerMax = 400;

struct Easy {
  CURL* handle = curl_easy_init();
  curl_slist* list = nullptr;
  ~Easy() {
    if (list) curl_slist_free_all(list);
    if (handle) curl_easy_cleanup(handle);
  }
};

struct Talk {
  std::string lastLine;  // the server's last line (SMTP) or status line (HTTP)
  std::string body;      // what the server sent back (HTTP), cut at kAnswerMax
  std::string upload;
  size_t sent = 0;
  bool http = false;
};

void KeepLine(std::string* into, const char* data, size_t size) {
  std::string line(data, size);
  while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.pop_back();
  if (line.empty()) return;
  if (line.size() > kAnswerMax) line.resize(kAnswerMax);
  *into = line;
}

int OnDebug(CURL*, curl_infotype type, char* data, size_t size, void* user) {
  Talk* talk = static_cast<Talk*>(user);
  // For HTTP only the status line is kept, not the headers after it.
  if (type == CURLINFO_HEADER_IN && (!talk->http || (size >= 5 && std::memcmp(data, "HTTP/", 5) == 0)))
    KeepLine(&talk->lastLine, data, size);
  return 0;
}

size_t OnWrite(char* data, size_t size, size_t count, void* user) {
  Talk* talk = static_cast<Talk*>(user);
  size_t n = size * count;
  if (talk->body.size() < kAnswerMax) talk->body.append(data, std::min(n, kAnswerMax - talk->body.size()));
  return n;
}

size_t OnRead(char* buffer, size_t size, size_t count, void* user) {
  Talk* talk = static_cast<Talk*>(user);
  size_t n = std::min(size * count, talk->upload.size() - talk->sent);
  std::memcpy(buffer, talk->upload.data() + talk->sent, n);
  talk->sent += n;
  return n;
}

int OnProgress(void* user, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
  const std::atomic<bool>* cancel = static_cast<const std::atomic<bool>*>(user);
  return cancel && cancel->load() ? 1 : 0;
}

void Common(CURL* h, Talk* talk, const std::string& url, const std::string& caFile, const std::atomic<bool>* cancel) {
  curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
  curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, &OnProgress);
  curl_easy_setopt(h, CURLOPT_XFERINFODATA, const_cast<std::atomic<bool>*>(cancel));
  curl_easy_setopt(h, CURLOPT_URL, url.c_str());
  curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
  curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, kConnectSeconds);
  curl_easy_setopt(h, CURLOPT_TIMEOUT, kWholeSeconds);
  curl_easy_setopt(h, CURLOPT_VERBOSE, 1L);
  curl_easy_setopt(h, CURLOPT_DEBUGFUNCTION, &OnDebug);
  curl_easy_setopt(h, CURLOPT_DEBUGDATA, talk);
  curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &OnWrite);
  curl_easy_setopt(h, CURLOPT_WRITEDATA, talk);
  if (!caFile.empty()) curl_easy_setopt(h, CURLOPT_CAINFO, caFile.c_str());
}

SendOutcome Finish(CURLcode code, const char* errorText, const Talk& talk) {
  SendOutcome out;
  if (code == CURLE_OK) {
    out.accepted = true;
    out.answer = talk.lastLine;
    return out;
  }
  out.answer = std::string(errorText[0] ? errorText : curl_easy_strerror(code));
  if (!talk.lastLine.empty()) out.answer += " (" + talk.lastLine + ")";
  return out;
}

}  // namespace

void StartCurl() { curl_global_init(CURL_GLOBAL_DEFAULT); }

SendOutcome SendMail(const MailChannel& mail, const std::string& caFile, const std::string& message,
                     const std::atomic<bool>* cancel) {
  Easy easy;
  if (!easy.handle) return {false, "libcurl could not start"};
  Talk talk;
  talk.upload = message;
  char errorText[CURL_ERROR_SIZE] = "";
  CURL* h = easy.handle;
  Common(h, &talk, mail.url, caFile, cancel);
  curl_easy_setopt(h, CURLOPT_ERRORBUFFER, errorText);
  std::string from = "<" + mail.from + ">";
  curl_easy_setopt(h, CURLOPT_MAIL_FROM, from.c_str());
  for (const std::string& to : mail.to) {
    curl_slist* grown = curl_slist_append(easy.list, ("<" + to + ">").c_str());
    if (!grown) return {false, "out of memory"};
    easy.list = grown;
  }
  curl_easy_setopt(h, CURLOPT_MAIL_RCPT, easy.list);
  if (mail.url.rfind("smtp://", 0) == 0)
    curl_easy_setopt(h, CURLOPT_USE_SSL, static_cast<long>(mail.requireTls ? CURLUSESSL_ALL : CURLUSESSL_NONE));
  if (!mail.user.empty()) {
    curl_easy_setopt(h, CURLOPT_USERNAME, mail.user.c_str());
    curl_easy_setopt(h, CURLOPT_PASSWORD, mail.password.c_str());
  }
  curl_easy_setopt(h, CURLOPT_UPLOAD, 1L);
  curl_easy_setopt(h, CURLOPT_READFUNCTION, &OnRead);
  curl_easy_setopt(h, CURLOPT_READDATA, &talk);
  curl_easy_setopt(h, CURLOPT_INFILESIZE_LARGE, static_cast<curl_off_t>(message.size()));
  CURLcode code = curl_easy_perform(h);
  return Finish(code, errorText, talk);
}

SendOutcome PostWebhook(const WebhookChannel& webhook, const std::string& caFile, const std::string& json,
                        const std::atomic<bool>* cancel) {
  Easy easy;
  if (!easy.handle) return {false, "libcurl could not start"};
  Talk talk;
  talk.http = true;
  char errorText[CURL_ERROR_SIZE] = "";
  CURL* h = easy.handle;
  Common(h, &talk, webhook.url, caFile, cancel);
  curl_easy_setopt(h, CURLOPT_ERRORBUFFER, errorText);
  for (std::string header : std::initializer_list<std::string>{"Content-Type: application/json; charset=utf-8",
                                                               "Expect:"}) {
    curl_slist* grown = curl_slist_append(easy.list, header.c_str());
    if (!grown) return {false, "out of memory"};
    easy.list = grown;
  }
  for (const std::string& header : webhook.headers) {
    curl_slist* grown = curl_slist_append(easy.list, header.c_str());
    if (!grown) return {false, "out of memory"};
    easy.list = grown;
  }
  curl_easy_setopt(h, CURLOPT_HTTPHEADER, easy.list);
  curl_easy_setopt(h, CURLOPT_POST, 1L);
  curl_easy_setopt(h, CURLOPT_POSTFIELDS, json.data());
  curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(json.size()));
  CURLcode code = curl_easy_perform(h);
  if (code != CURLE_OK) return Finish(code, errorText, talk);
  long status = 0;
  curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
  SendOutcome out;
  out.accepted = status >= 200 && status < 300;
  out.answer = "HTTP " + std::to_string(status);
  std::string body = talk.body;
  for (char& c : body)
    if (static_cast<unsigned char>(c) < 0x20) c = ' ';
  if (!body.empty()) out.answer += ": " + body;
  return out;
}

}  // namespace web
