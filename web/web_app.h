// CWebApp, the status page program: its start-up (settings, log, history,
// the LAN socket, the HTTP server), the main thread's loop (datagrams and a
// one-second tick) and its exit. On Windows it runs as the service
// "VigilWeb"; everywhere it may run as an ordinary program.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <vector>
#include <string>

#include "framework/async_socket.h"
#include "framework/service_app.h"
#include "framework/wnd.h"
#include "platform/event_log.h"
#include "web/history_recorder.h"
#include "web/history_store.h"
#include "web/http_server.h"
#include "web/notify/notifier.h"
#include "web/site.h"
#include "web/station_board.h"
#include "web/web_log.h"
#include "web/web_settings.h"

// The message table, generated from the .mc file.
extern const platform::EventMessage kWebMessages[];

namespace web {

inline constexpr const char* kServiceName = "VigilWeb";
inline constexpr const char* kServiceDisplayName = "Vigil 2.0 Web";
inline constexpr const char* kEventSourceName = "VigilWeb";

// Message ids of web/messages/VigilWeb.mc.
inline constexpr uint32_t kMsgWebStarted = 0x40000001;
inline constexpr uint32_t kMsgWebStopped = 0x40000002;
inline constexpr uint32_t kMsgWebDisabled = 0x80000003;
inline constexpr uint32_t kMsgWebFailed = 0xC0000004;

// "-c FILE": the configuration file (Linux); "-notify-test mail|webhook":
// send a test message by that channel, say what the server answered, and
// end (0 when it was accepted).
class CWebCmdInfo : public CCommandLineInfo {
 public:
  void ParseArgument(const char* argument) override;
  void ParseSwitch(const char* text, bool isSwitch) override;
  std::string configPath = kDefaultConfigPath;
  std::string testChannel;  // empty: run as usual
  // A word that is no switch, or -c or -notify-test without its word after it.
  bool Bad() const { return bad_ || wantPath_ || wantChannel_; }

 private:
  bool wantPath_ = false;
  bool wantChannel_ = false;
  bool bad_ = false;
};

class CWebApp : public CWinAppSrv {
 public:
  CWebApp();
  ~CWebApp() override;

  bool InitInstance() override;
  int ExitInstance() override;

  void OnDatagram(const uint8_t* bytes, size_t count);
  void OnTick();

 private:
  bool Fail(const std::string& why);
  void Report(uint32_t id);
  void CountOwnEvents(bool initial);
  // An event of `station` for the notifier, with what the board knows of it.
  void Notify(const std::string& station, int kind, int64_t unixMs);

  WebLog log_;
  WebSettings settings_;
  std::unique_ptr<StationBoard> board_;
  std::unique_ptr<HistoryStore> store_;
  std::unique_ptr<HistoryRecorder> recorder_;
  std::unique_ptr<Site> site_;
  std::unique_ptr<HttpServer> http_;
  std::unique_ptr<Notifier> notifier_;
  std::unique_ptr<CAsyncSocket> socket_;
  std::unique_ptr<CWnd> window_;
  platform::EventSource* events_ = nullptr;
  std::vector<std::unique_ptr<OwnEventSource>> ownSources_;
  // Per source: the newest own event counted, and how many at that moment,
  // so that only later ones are counted (a log that drops its oldest
  // records keeps its count the same).
  struct OwnMark {
    int64_t lastMs = INT64_MIN;
    size_t atLast = 0;
  };
  std::vector<OwnMark> ownMarks_;
  int ticks_ = 0;
};

}  // namespace web
