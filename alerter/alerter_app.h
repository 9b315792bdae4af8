// CAlerterApp, the monitoring program: its start-up (InitInstance), the
// message loop of the main thread (Run) and its exit (ExitInstance), with
// the objects they make: the settings, the event file, the LAN endpoint and
// the monitor window. It is also what the UPS monitor acts through.
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "eventfile/event_file.h"
#include "alerter/alarm_dlg.h"
#include "core/lan_signature.h"
#include "core/lan_trust.h"
#include "core/ups_figures.h"
#include "alerter/monitor.h"
#include "alerter/socket_bind.h"
#include "config/apl_config.h"
#include "framework/service_app.h"

class CAlerterApp : public CWinAppSrv, public CMonitorHost {
 public:
  static constexpr CRuntimeClass runtimeClass{"CAlerterApp", &CWinAppSrv::runtimeClass};
  const CRuntimeClass* GetRuntimeClass() const override { return &runtimeClass; }

  CAlerterApp();

  bool InitInstance() override;
  int ExitInstance() override;

  // The event log call of the whole program.
  void LogEvent(int32_t code) override;

  // CMonitorHost.
  int32_t ReadDsr() override;
  int32_t ReadCts() override;
  int32_t ReadRing() override;
  std::optional<platform::UpsBatteryReading> ReadUpsBattery() override;
  void ReportLineReading(bool readable) override;
  void PublishUpsFigures(const std::optional<core::UpsState>& measured) override;
  int64_t Now() override;
  void NotifyNetwork(core::CState& state) override;
  int AskUser(uint32_t style, const char* text) override;
  bool ServiceMode() override { return CWinAppSrv::ServiceMode(); }
  void PostQuitRequest() override { CWinAppSrv::PostQuitRequest(0); }
  int RunCommand(const char* commandLine) override;
  void PostToAllWindows(uint32_t message, uintptr_t wParam, intptr_t lParam) override;
  void Wait(uint32_t milliseconds) override;
  bool RequestShutdown(bool force) override;

 protected:
  // In a box at the console, as the program's other warnings.
  void WarnHandlerFailed(const char* text) override;

 private:
  // Start-up with a USB UPS: its name well formed and a battery answering.
  bool OpenUsbUps();
  bool OpenNetwork();
  void OnNetworkPacket(const uint8_t* bytes, int count);
  // A refusal of the trust policy: debug output and event 12.
  void ReportRefusal(const core::LanTrust::Refusal& refusal);
  bool EnableShutdownPrivilege();

  uint32_t configNotify_;
  std::unique_ptr<CAplConfig> config_;
  std::unique_ptr<CEventFile> eventFile_;
  std::unique_ptr<CSocketBind> socket_;
  // Keyed when "Net Key" is set.
  core::LanTrust trust_;
  core::LanSender sender_;
  std::unique_ptr<CUpsMonitor> monitor_;
  std::unique_ptr<CAlarmDlg> window_;
  // Why the last reading of the USB UPS failed, or what answered it.
  std::string batteryError_;
  std::string batteryDevice_;
  core::UpsFiguresPace figuresPace_;  // the USB UPS's figures file, for the gateways
  bool figuresFailureTold_ = false;
};
