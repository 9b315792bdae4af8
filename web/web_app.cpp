#include "web/web_app.h"

#include <chrono>
#include <cstdio>

#include "platform/service_readiness.h"
#include "platform/tick_count.h"
#include "web/history_events.h"
#include "web/own_figures.h"

using core::kLanPort;

namespace web {

namespace {

constexpr uintptr_t kTickTimer = 1;
constexpr uint32_t kTickMs = 1000;
// The own files are looked at every few ticks.
constexpr int kOwnEveryTicks = 5;

int64_t UnixMs() {
  return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::system_clock::now().time_since_epoch())
      .count();
}

CWebApp* the_app = nullptr;
WebLog* the_log = nullptr;

void TellLog(const std::string& line) {
  if (the_log) the_log->Line(kLogDetail, line);
}

class CDatagramSocket : public CAsyncSocket {
 protected:
  void OnReceive(int errorCode) override {
    if (errorCode != 0) return;
    // Room for a signed datagram and more: a longer one arrives cut and is
    // refused as such.
    uint8_t bytes[256];
    int n = Receive(bytes, sizeof bytes);
    if (n > 0 && the_app) the_app->OnDatagram(bytes, static_cast<size_t>(n));
  }
};

class CTickWnd : public CWnd {
 protected:
  intptr_t WindowProc(uint32_t message, uintptr_t wParam, intptr_t lParam) override {
    if (message == platform::kWmTimer && wParam == kTickTimer) {
      if (the_app) the_app->OnTick();
      return 0;
    }
    return CWnd::WindowProc(message, wParam, lParam);
  }
};

}  // namespace

void CWebCmdInfo::ParseArgument(const char* argument) {
  if (wantChannel_) {
    wantChannel_ = false;
    testChannel = argument;
    if (testChannel != "mail" && testChannel != "webhook") bad_ = true;
    return;
  }
  if (!wantPath_) return CCommandLineInfo::ParseArgument(argument);
  wantPath_ = false;
  configPath = argument;
}

void CWebCmdInfo::ParseSwitch(const char* text, bool isSwitch) {
  // The service switches are CSrvcCmdInfo's; other words are not ours.
  if (isSwitch && std::string(text) == "c")
    wantPath_ = true;
  else if (isSwitch && std::string(text) == "notify-test")
    wantChannel_ = true;
  else if (!isSwitch)
    bad_ = true;
}

// Registered to start with the computer, as "Vigil20" is, and as the MSI writes it.
CWebApp::CWebApp()
    : CWinAppSrv(kServiceName, kServiceDisplayName, platform::kServiceWin32OwnProcess, platform::kServiceAutoStart) {
  the_app = this;
}

CWebApp::~CWebApp() {
  if (the_app == this) the_app = nullptr;
  if (the_log == &log_) the_log = nullptr;
}

void CWebApp::Report(uint32_t id) {
  if (events_) platform::ReportToEventLog(events_, id >> 30 == 3 ? platform::kEventError
                                                   : id >> 30 == 2 ? platform::kEventWarning
                                                                   : platform::kEventInformation,
                                          id);
}

bool CWebApp::Fail(const std::string& why) {
  log_.Line(kLogFaults, why);
  Report(kMsgWebFailed);
  return false;
}

bool CWebApp::InitInstance() {
  CWebCmdInfo command;
  ParseCommandLine(command);
  if (!ServiceStep()) return false;
  m_exitCode = 1;  // until start-up has succeeded
  if (command.Bad()) return Fail("uso: vigil-web [-c ARQUIVO] [-notify-test mail|webhook]");

  std::string error;
  if (ReportsToEventLog()) events_ = platform::OpenEventSource(kEventSourceName, kWebMessages, &error);
  if (!LoadWebSettings(command.configPath, &settings_, &error)) return Fail(error);
  if (!command.testChannel.empty()) {
    std::string report;
    bool accepted = SendTestNotice(settings_, command.testChannel, &report);
    std::fputs((report + "\n").c_str(), stdout);
    std::fflush(stdout);
    m_exitCode = accepted ? 0 : 1;
    return false;
  }
  if (!settings_.enabled) {
    log_.Line(kLogFaults, "desativada (Web Enabled = 0): nada a servir");
    Report(kMsgWebDisabled);
    m_exitCode = 0;
    return false;
  }
  if (!log_.Open(settings_.logFile, settings_.logLevel, &error)) log_.Line(kLogFaults, error);
  the_log = &log_;

  store_ = std::make_unique<HistoryStore>(settings_.stateFolder);
  if (!store_->Open(&error)) return Fail(error);
  board_ = std::make_unique<StationBoard>(settings_.key, kMaxStations, &TellLog);
  recorder_ = std::make_unique<HistoryRecorder>(
      *store_, [this](const std::string& line) { log_.Line(kLogFaults, line); },
      [this](const std::string& station, int kind, int64_t unixMs) {
        if (board_->CountEvent(station, kind, EventOrigin::kLan, unixMs)) Notify(station, kind, unixMs);
        log_.Line(kLogDetail, "evento de " + NameLabel(station) + ": " + EventText(kind));
      });
  for (const std::string& station : recorder_->Resume()) board_->Know(station);
  ownSources_ = OwnEventSources();
  ownMarks_.assign(ownSources_.size(), {});
  CountOwnEvents(true);

  if (!AfxSocketInit()) return Fail("the socket layer could not start");
  auto socket = std::make_unique<CDatagramSocket>();
  if (!socket->Create(kLanPort, platform::kFdRead))
    return Fail("UDP " + std::to_string(kLanPort) + ": error " + std::to_string(socket->GetLastError()));
  socket_ = std::move(socket);
  window_ = std::make_unique<CTickWnd>();
  if (!window_->CreateMessageOnly() || !window_->SetTimer(kTickTimer, kTickMs)) return Fail("no timer window");

  error.clear();
  notifier_ = MakeNotifier(
      settings_, [this](int level, const std::string& line) { log_.Line(level, "aviso " + line); }, &error);
  if (!notifier_ && !error.empty()) return Fail(error);

  site_ = std::make_unique<Site>(*board_, *store_, ownSources_, SiteClock{&platform::MonotonicMs, &UnixMs});
  if (notifier_) site_->AddMetrics([n = notifier_.get()] { return n->MetricsText(); });
  site_->JoinFiguresFrom(OwnFiguresPaths());
  http_ = std::make_unique<HttpServer>(*site_, log_);
  if (!http_->Start(ListenAddresses(settings_), settings_.listen.empty(), settings_.allow, &error)) return Fail(error);

  std::string where;
  for (const ListenAddress& a : ListenAddresses(settings_)) where += " " + a.address + ":" + a.port;
  log_.Line(kLogFaults, "no ar em" + where + (settings_.key.empty() ? "" : ", so datagramas assinados"));
  Report(kMsgWebStarted);
  platform::NotifyServiceReady();
  m_exitCode = 0;
  return true;
}

int CWebApp::ExitInstance() {
  if (http_) {
    http_->Stop();
    log_.Line(kLogFaults, "encerrada");
    Report(kMsgWebStopped);
  }
  http_.reset();
  site_.reset();
  notifier_.reset();
  window_.reset();
  socket_.reset();
  if (events_) platform::CloseEventSource(events_);
  events_ = nullptr;
  // Told last: an uninstall that waits for the stop then finds no file of
  // ours in use.
  SignalStopping();
  return CWinAppSrv::ExitInstance();
}

void CWebApp::OnDatagram(const uint8_t* bytes, size_t count) {
  int64_t unixMs = UnixMs();
  std::optional<StationBoard::Taken> taken = board_->Take(bytes, count, platform::MonotonicMs(), unixMs);
  if (taken) recorder_->OnDatagram(taken->name, taken->datagram, unixMs);
}

void CWebApp::OnTick() {
  platform::NotifyServiceAlive();
  int64_t unixMs = UnixMs();
  for (const std::string& station : board_->NewlySilent(platform::MonotonicMs())) {
    recorder_->OnSilent(station, unixMs);
    log_.Line(kLogDetail, NameLabel(station) + " sem sinal");
  }
  if (++ticks_ % kOwnEveryTicks == 0) CountOwnEvents(false);
  if (notifier_) notifier_->OnTick();
}

void CWebApp::Notify(const std::string& station, int kind, int64_t unixMs) {
  if (!notifier_) return;
  StationFacts facts;
  BoardNow now = board_->Now(platform::MonotonicMs(), UnixMs());
  JoinOwnFigures(&now, OwnFiguresPaths());
  for (const StationNow& s : now.stations) {
    if (s.name != station || !s.heard) continue;
    const core::UpsState ups = LastState(s);
    facts.known = true;
    facts.mains_failure = ups.mains_failure;
    facts.autonomy_left_s = RemainingNow(s);
    facts.time_on_battery_s = OnBatteryNow(s);
    if (ups.charge_percent) facts.charge_percent = static_cast<int>(*ups.charge_percent + 0.5);
    if (ups.runtime_s) facts.runtime_s = *ups.runtime_s;
  }
  notifier_->OnEvent(station, kind, unixMs, facts);
}

void CWebApp::CountOwnEvents(bool initial) {
  for (size_t i = 0; i < ownSources_.size(); ++i) {
    std::vector<OwnEvent> events = ownSources_[i]->ReadAll();
    OwnMark& mark = ownMarks_[i];
    OwnMark next = mark;
    size_t atMark = 0;
    for (const OwnEvent& e : events) {
      board_->Know(e.station);
      bool fresh = e.unixMs > mark.lastMs || (e.unixMs == mark.lastMs && ++atMark > mark.atLast);
      if (e.unixMs > next.lastMs) {
        next.lastMs = e.unixMs;
        next.atLast = 0;
      }
      if (e.unixMs == next.lastMs) ++next.atLast;
      // The same event heard from the LAN first is told once: only a new one is notified.
      if (fresh && !initial && board_->CountEvent(e.station, e.code, EventOrigin::kOwn, e.unixMs))
        Notify(e.station, e.code, e.unixMs);
    }
    mark = next;
  }
}

}  // namespace web
