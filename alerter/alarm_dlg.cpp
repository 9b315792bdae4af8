#include "alerter/alarm_dlg.h"

#include "alerter/status_pipe.h"
#include "alerter/texts.h"
#include "platform/service_readiness.h"
#include "platform/window_messages.h"
#include "core/event_kind_table.h"

using core::Event;
using core::FileCode;

CAlarmDlg::CAlarmDlg(CUpsMonitor& monitor, CMonitorHost& host, const CWinApp& app, uint32_t interval,
                     uint32_t configNotify)
    : monitor_(monitor), host_(host), app_(app), interval_(interval), configNotify_(configNotify) {
  StartStatusPipe(monitor.SnapshotSource());
}

bool CAlarmDlg::Create() { return CreateHidden(texts::kWindowTitle); }

intptr_t CAlarmDlg::WindowProc(uint32_t message, uintptr_t wParam, intptr_t lParam) {
  switch (message) {
    case platform::kWmCreate:
      monitor_.Reset();
      SetTimer(kTimerId, interval_);
      return 0;
    case platform::kWmTimer:
      if (wParam == kTimerId) {
        monitor_.OnMonitorTimer();
        // A tick that comes is the sign of a main thread that is not stuck.
        platform::NotifyServiceAlive();
      }
      return 0;
    case platform::kWmUserChanged:
      host_.LogEvent(FileCode(Event::UserLogon));
      return 0;
    default:
      if (configNotify_ != 0 && message == configNotify_) return OnConfigNotify(wParam, lParam);
      return CWnd::WindowProc(message, wParam, lParam);
  }
}

intptr_t CAlarmDlg::OnConfigNotify(uintptr_t sender, intptr_t request) {
  // wParam 1 marks the replies of this program itself.
  if (sender == 1) return 0;
  switch (request) {
    case 1:
      platform::BroadcastSendMessage(configNotify_, 1, 10);
      break;
    case 2:
      platform::BroadcastSendMessage(configNotify_, 1, 12);
      break;
    case 3:
      platform::BroadcastSendMessage(configNotify_, 1, 13);
      app_.PostQuitRequest(0);
      break;
    default:
      break;
  }
  return 1;
}
