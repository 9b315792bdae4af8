// CAlarmDlg, the hidden monitor window: a top-most pop-up that is never
// shown. It carries the monitor timer (timer 1, every "Interval"
// milliseconds), logs a user's logon and answers the notification message
// "Vigil_Config_Change_Notify" that other programs broadcast.
#pragma once

#include <cstdint>

#include "alerter/monitor.h"
#include "framework/win_app.h"
#include "framework/wnd.h"

class CAlarmDlg : public CWnd {
 public:
  static constexpr CRuntimeClass runtimeClass{"CAlarmDlg", &CWnd::runtimeClass};
  const CRuntimeClass* GetRuntimeClass() const override { return &runtimeClass; }
  static constexpr uintptr_t kTimerId = 1;

  // `configNotify` is the registered number of "Vigil_Config_Change_Notify".
  // Starts the status pipe over the monitor's record.
  CAlarmDlg(CUpsMonitor& monitor, CMonitorHost& host, const CWinApp& app, uint32_t interval, uint32_t configNotify);

  // Makes the window; false when the system refuses.
  bool Create();

 protected:
  intptr_t WindowProc(uint32_t message, uintptr_t wParam, intptr_t lParam) override;

 private:
  intptr_t OnConfigNotify(uintptr_t sender, intptr_t request);

  CUpsMonitor& monitor_;
  CMonitorHost& host_;
  const CWinApp& app_;
  uint32_t interval_;
  uint32_t configNotify_;
};
