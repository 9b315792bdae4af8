#include "alerter/alerter_app.h"

#include <chrono>
#include <cstdio>
#include <optional>
#include <cstdlib>
#include <thread>

#include "core/hid_device_name.h"
#include "core/packet.h"
#include "core/ups_figures.h"
#include "alerter/texts.h"
#include "alerter/user_messages.h"
#include "framework/async_socket.h"
#include "lineshare/line_tap.h"
#include "platform/directories.h"
#include "platform/durable_file.h"
#include "platform/tick_count.h"
#include "core/event_kind_table.h"
#include "platform/service_readiness.h"
#include "platform/shutdown.h"
#include "platform/system_journal.h"
#include "platform/window_messages.h"

using core::Event;
using core::FileCode;

using core::BuildPacket;
using core::CState;
using core::EventKindText;
using core::KeepHostName;
using core::LanRefusalText;
using core::LanTrust;
using core::LanWallClockMs;
using core::DecodeLanDatagram;
using core::LanDatagram;
using core::ReadPacket;
using core::SignLanDatagram;
using core::kEventFileName;

CAlerterApp::CAlerterApp()
    : CWinAppSrv(texts::kServiceName, texts::kDisplayName,
                 platform::kServiceWin32OwnProcess | platform::kServiceInteractiveProcess, platform::kServiceAutoStart),
      configNotify_(platform::RegisterMessageName(texts::kConfigNotifyMessage)) {}

bool CAlerterApp::InitInstance() {
  // 1. Service commands and mode.
  if (!ServiceStep()) return false;
  m_exitCode = 1;  // until start-up has succeeded

  // 2. One instance at a time.
  if (!ClaimSingleInstance(texts::kMutexName)) {
    ShowWarning("%s", texts::kAlreadyRunning);
    return false;
  }

  // 3. The socket layer.
  if (!AfxSocketInit()) return false;

  // 4. The settings, read once.
  config_ = std::make_unique<CAplConfig>();
  config_->SetRootKey(platform::kLocalMachine, kAplConfigKey);
  config_->RegisterValues();
  if (!config_->Load()) ShowWarning("%s", texts::kDefaultSettings);
  monitor_ = std::make_unique<CUpsMonitor>(*config_, *this);

  // 5. The event file.
  eventFile_ = std::make_unique<CEventFile>(kEventFileName);
  DebugLine("Fname: %s\n\n", eventFile_->Path().c_str());
  if (!eventFile_->OpenForWriting()) ShowWarning("%s", texts::kEventFileFailed);

  // 6. The notification message.
  configNotify_ = platform::RegisterMessageName(texts::kConfigNotifyMessage);

  // 7. The connection to the UPS.
  if (config_->comMode == 0) {
    ShowWarning("%s", texts::kNoComMode);
    return false;
  }
  if (monitor_->WatchesUsbUps()) {
    if (!OpenUsbUps()) return false;
  } else if (config_->comMode == 1) {
    if (serialOpen(config_->comPort, 0) != 1) {
      ShowWarning(texts::kPortFailed, config_->comPort);
      return false;
    }
    bool dtr = serialSetDtr(0) != 0;
    bool rts = serialSetRts(1) != 0;
    if (!dtr || !rts) {
      ShowWarning("%s", texts::kSignallingFailed);
      return false;
    }
  }

  // 8. The network.
  if (config_->netMode != 0 && !OpenNetwork()) return false;

  // 9.
  if (config_->logStartStop != 0) LogEvent(FileCode(Event::MonitoringStart));

  // 10. Without the privilege the program still watches; it cannot shut down.
  if (!EnableShutdownPrivilege()) ShowServiceWarning("%s", texts::kNoShutdownPrivilege);

  // 11. The monitor window.
  window_ =
      std::make_unique<CAlarmDlg>(*monitor_, *this, *this, static_cast<uint32_t>(config_->interval), configNotify_);
  if (!window_->Create()) return false;
  m_pMainWnd = window_.get();
  m_exitCode = 0;
  platform::NotifyServiceReady();
  return true;
}

bool CAlerterApp::OpenUsbUps() {
  // Every form of the name means the UPS that the system shows as a
  // battery: the system gives its battery no vendor, product or node.
  const std::string& name = config_->usbPort;
  if (!core::ParseHidUpsName(name.data(), name.size())) {
    ShowWarning(texts::kUsbNameInvalid, name.c_str());
    return false;
  }
  if (!ReadUpsBattery()) {
    ShowWarning(texts::kUsbNotFound, name.c_str(), batteryError_.c_str());
    return false;
  }
  DebugLine(texts::kUsbFound, name.c_str(), batteryDevice_.c_str());
  return true;
}

bool CAlerterApp::OpenNetwork() {
  if (NetworkCheck() == -1) {
    ShowWarning("%s", texts::kNoBroadcast);
    return false;
  }
  socket_ = std::make_unique<CSocketBind>([](int error) { ShowServiceWarning(texts::kHostNameFailed, error); });
  if (config_->netMode == 4 && !socket_->OpenSender()) {
    ShowWarning("%s", texts::kSenderFailed);
    return false;
  }
  if (config_->netMode == 5 && !socket_->OpenListener()) {
    ShowWarning("%s", texts::kListenerFailed);
    return false;
  }
  socket_->SetReceiveHandler([this](const uint8_t* bytes, int count) { OnNetworkPacket(bytes, count); });
  trust_ = LanTrust(config_->netKey, [this](const LanTrust::Refusal& refusal) { ReportRefusal(refusal); });
  return true;
}

void CAlerterApp::WarnHandlerFailed(const char* text) { ShowServiceWarning("%s", text); }

bool CAlerterApp::EnableShutdownPrivilege() {
  uint32_t error = 0;
  bool allowed = platform::AcquireShutdownPrivilege(&error);
  if (!allowed) DebugLine("shutdown privilege: error %u\n", error);
  monitor_->SetShutdownAllowed(allowed);
  return allowed;
}

int CAlerterApp::ExitInstance() {
  SignalStopping();
  serialClose();
  PublishUpsFigures(std::nullopt);  // no longer measured
  if (config_ && config_->logStartStop != 0) LogEvent(FileCode(Event::MonitoringEnd));
  socket_.reset();
  window_.reset();
  if (eventFile_) eventFile_->Close();
  eventFile_.reset();
  monitor_.reset();
  config_.reset();
  m_pMainWnd = nullptr;
  return CWinAppSrv::ExitInstance();
}

void CAlerterApp::LogEvent(int32_t code) {
  if (eventFile_) eventFile_->Append(code);
  if (const char* text = EventKindText(code)) platform::JournalEvent("alerter", text);
}

void CAlerterApp::OnNetworkPacket(const uint8_t* bytes, int count) {
  if (count < 0) return;
  size_t size = static_cast<size_t>(count);
  std::optional<LanDatagram> datagram = DecodeLanDatagram(bytes, size);
  if (!datagram) return;
  CState rx{};
  ReadPacket(*datagram, &rx);
  if (config_->acceptAll == 0 && !IsAcceptedSender(rx.hostName, config_->hostName)) return;
  if (!trust_.Believes(*datagram, bytes, size, LanWallClockMs())) return;
  monitor_->OnReceivedState(rx);
}

void CAlerterApp::ReportRefusal(const LanTrust::Refusal& refusal) {
  CState sender{};
  KeepHostName(sender.hostName, refusal.sender.name, refusal.sender.name_len);
  DebugLine(texts::kNotificationRefused, sender.hostName, LanRefusalText(refusal.reason));
  LogEvent(FileCode(Event::NoticeRefused));
  if (refusal.lastTold) DebugLine("%s", texts::kRefusalsNoLongerTold);
}

int32_t CAlerterApp::ReadDsr() { return serialGetDsr(); }
int32_t CAlerterApp::ReadCts() { return serialGetCts(); }
int32_t CAlerterApp::ReadRing() { return serialGetRing(); }

std::optional<platform::UpsBatteryReading> CAlerterApp::ReadUpsBattery() {
  platform::UpsBatteryReading reading;
  if (!platform::ReadUpsBattery(&reading, &batteryError_)) return std::nullopt;
  batteryDevice_ = reading.device;
  return reading;
}

void CAlerterApp::ReportLineReading(bool readable) {
  char text[512];
  if (monitor_->WatchesUsbUps()) {
    std::snprintf(text, sizeof text, readable ? texts::kUsbBack : texts::kUsbLost, config_->usbPort.c_str(),
                  readable ? batteryDevice_.c_str() : batteryError_.c_str());
  } else {
    std::snprintf(text, sizeof text, readable ? texts::kLinesBack : texts::kLinesLost, config_->comPort);
  }
  DebugLine("%s\n", text);
  platform::JournalEvent("alerter", text);
}

// Beside the event file, under the name the datagrams carry: only a station
// that notifies the LAN is on a gateway's board.
void CAlerterApp::PublishUpsFigures(const std::optional<core::UpsState>& measured) {
  char dir[1024];
  uint32_t length = platform::GetWindowsDir(dir, sizeof dir);
  if (length == 0 || length >= sizeof dir) return;
  const std::string path = core::SuiteUpsFiguresPath(std::string_view(dir, length), platform::PathSeparator());
  if (!measured || !socket_) {
    if (figuresPace_.writtenMs >= 0) std::remove(path.c_str());
    figuresPace_ = {};
    return;
  }
  const std::string name = socket_->LocalName();
  std::string figures = core::UpsFiguresText(name, 0, *measured);
  int64_t now = platform::MonotonicMs();
  if (!core::UpsFiguresDue(figuresPace_, figures, now)) return;
  std::string error;
  if (!platform::PrepareWindowsDirForWriting() ||
      !platform::WriteFileDurably(path, core::UpsFiguresText(name, LanWallClockMs(), *measured), &error,
                                  platform::FileReaders::kEveryone)) {
    if (!figuresFailureTold_) DebugLine(texts::kFiguresNotWritten, path.c_str(), error.c_str());
    figuresFailureTold_ = true;
    return;
  }
  figuresPace_ = {figures, now};
}

int64_t CAlerterApp::Now() { return platform::MonotonicMs() / 1000; }

void CAlerterApp::NotifyNetwork(CState& state) {
  if (config_->netMode != 4 || !socket_) return;
  size_t length = BuildPacket(state, socket_->LocalName().c_str());
  if (!config_->netKey.empty()) {
    length = SignLanDatagram(state.packet, length, sizeof state.packet, config_->netKey.data(), config_->netKey.size(),
                             &sender_, LanWallClockMs());
    if (length == 0) {
      DebugLine("%s", texts::kSigningFailed);
      return;
    }
  }
  socket_->SendNotification(state.packet, static_cast<int>(length));
}

int CAlerterApp::AskUser(uint32_t style, const char* text) { return ::AskUser(style, "%s", text); }

int CAlerterApp::RunCommand(const char* commandLine) { return std::system(commandLine); }

void CAlerterApp::PostToAllWindows(uint32_t message, uintptr_t wParam, intptr_t lParam) {
  platform::BroadcastPostMessage(message, wParam, lParam);
}

void CAlerterApp::Wait(uint32_t milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

bool CAlerterApp::RequestShutdown(bool force) {
  uint32_t error = 0;
  if (platform::RequestShutdown(force, &error)) return true;
  DebugLine("shutdown request refused: error %u\n", error);
  return false;
}
