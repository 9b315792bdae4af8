#include "web_browser.h"

#include <fcntl.h>
#include <openssl/evp.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <vector>

namespace {

// Base64 of a screenshot, decoded by libcrypto.
std::string FromBase64(const std::string& text) {
  std::string out(text.size() / 4 * 3 + 3, '\0');
  int n = EVP_DecodeBlock(reinterpret_cast<unsigned char*>(out.data()),
                          reinterpret_cast<const unsigned char*>(text.data()), static_cast<int>(text.size()));
  if (n < 0) return "";
  // EVP_DecodeBlock counts the padding as bytes.
  size_t padding = 0;
  for (size_t i = text.size(); i > 0 && text[i - 1] == '='; --i) ++padding;
  out.resize(static_cast<size_t>(n) - padding);
  return out;
}

}  // namespace

HeadlessChromium::HeadlessChromium(const std::string& netns, const std::string& profileFolder, std::string* error) {
  // A browser that ends early must not end the test with it.
  signal(SIGPIPE, SIG_IGN);
  int in[2], out[2];
  if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0) {
    *error = "pipe";
    return;
  }
  pid_t pid = fork();
  if (pid < 0) {
    *error = "fork";
    return;
  }
  if (pid == 0) {
    // fd 3: what the browser reads; fd 4: what it writes. Moved out of the
    // way first, so that neither end already sits on 3 or 4 (where dup2
    // would leave it closing on exec).
    int reads = fcntl(in[0], F_DUPFD, 10), writes = fcntl(out[1], F_DUPFD, 10);
    dup2(reads, 3);
    dup2(writes, 4);
    int null = open("/dev/null", O_RDWR);
    dup2(null, 1);
    dup2(null, 2);
    std::vector<std::string> args = {"ip", "netns", "exec", netns, "/usr/bin/chromium", "--headless", "--no-sandbox",
                                     "--disable-gpu", "--disable-quic", "--no-first-run",
                                     "--disable-background-networking", "--disable-component-update", "--disable-sync",
                                     "--remote-debugging-pipe", "--user-data-dir=" + profileFolder, "about:blank"};
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  close(in[0]);
  close(out[1]);
  pid_ = pid;
  toBrowser_ = in[1];
  fromBrowser_ = out[0];
}

HeadlessChromium::~HeadlessChromium() {
  if (pid_ > 0) {
    nlohmann::json ignored = Call("Browser.close", nlohmann::json::object(), false, 3000);
    int status = 0;
    for (int i = 0; i < 50 && waitpid(pid_, &status, WNOHANG) == 0; ++i) usleep(100000);
    if (waitpid(pid_, &status, WNOHANG) == 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, &status, 0);
    }
  }
  if (toBrowser_ >= 0) close(toBrowser_);
  if (fromBrowser_ >= 0) close(fromBrowser_);
}

bool HeadlessChromium::ReadMessage(nlohmann::json* message, int timeoutMs) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    size_t zero = pending_.find('\0');
    if (zero != std::string::npos) {
      *message = nlohmann::json::parse(pending_.substr(0, zero), nullptr, false);
      pending_.erase(0, zero + 1);
      return !message->is_discarded();
    }
    int left = static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now()).count());
    pollfd p{fromBrowser_, POLLIN, 0};
    if (left <= 0 || poll(&p, 1, left) <= 0) return false;
    char buffer[65536];
    ssize_t n = read(fromBrowser_, buffer, sizeof buffer);
    if (n <= 0) return false;
    pending_.append(buffer, static_cast<size_t>(n));
  }
}

nlohmann::json HeadlessChromium::Call(const std::string& method, const nlohmann::json& params, bool inPage,
                                      int timeoutMs) {
  if (pid_ <= 0) return nullptr;
  int id = nextId_++;
  nlohmann::json request = {{"id", id}, {"method", method}, {"params", params}};
  if (inPage && !session_.empty()) request["sessionId"] = session_;
  std::string bytes = request.dump() + '\0';
  if (write(toBrowser_, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size())) return nullptr;
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  nlohmann::json message;
  while (std::chrono::steady_clock::now() < end) {
    int left = static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now()).count());
    if (!ReadMessage(&message, left)) return nullptr;
    if (message.contains("id") && message["id"] == id) {
      if (message.contains("error")) return nullptr;
      return message["result"];
    }
  }
  return nullptr;
}

bool HeadlessChromium::WaitForEvent(const std::string& method, int timeoutMs) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  nlohmann::json message;
  while (std::chrono::steady_clock::now() < end) {
    int left = static_cast<int>(
        std::chrono::duration_cast<std::chrono::milliseconds>(end - std::chrono::steady_clock::now()).count());
    if (!ReadMessage(&message, left)) return false;
    if (message.contains("method") && message["method"] == method) return true;
  }
  return false;
}

bool HeadlessChromium::Open(const std::string& url, int width, int height, bool mobile) {
  nlohmann::json target = Call("Target.createTarget", {{"url", "about:blank"}}, false);
  if (target.is_null()) return false;
  nlohmann::json attached =
      Call("Target.attachToTarget", {{"targetId", target["targetId"]}, {"flatten", true}}, false);
  if (attached.is_null()) return false;
  session_ = attached["sessionId"];
  if (Call("Page.enable", nlohmann::json::object()).is_null()) return false;
  Call("Emulation.setDeviceMetricsOverride",
       {{"width", width}, {"height", height}, {"deviceScaleFactor", 1}, {"mobile", mobile}});
  if (Call("Page.navigate", {{"url", url}}).is_null()) return false;
  return WaitForEvent("Page.loadEventFired", 15000);
}

nlohmann::json HeadlessChromium::Evaluate(const std::string& expression) {
  nlohmann::json result = Call("Runtime.evaluate", {{"expression", expression}, {"returnByValue", true}});
  if (result.is_null() || !result.contains("result") || !result["result"].contains("value")) return nullptr;
  return result["result"]["value"];
}

bool HeadlessChromium::Screenshot(const std::string& path, bool wholePage) {
  nlohmann::json params = {{"format", "png"}};
  if (wholePage) {
    nlohmann::json metrics = Call("Page.getLayoutMetrics", nlohmann::json::object());
    if (metrics.is_null() || !metrics.contains("cssContentSize")) return false;
    const nlohmann::json& size = metrics["cssContentSize"];
    params["clip"] = {{"x", 0}, {"y", 0}, {"width", size["width"]}, {"height", size["height"]}, {"scale", 1}};
    params["captureBeyondViewport"] = true;
  }
  nlohmann::json shot = Call("Page.captureScreenshot", params);
  if (shot.is_null() || !shot.contains("data")) return false;
  std::ofstream out(path, std::ios::binary);
  out << FromBase64(shot["data"].get<std::string>());
  return static_cast<bool>(out);
}
