// "&Principal" (dialog 142): the battery autonomy figures (shown in minutes
// and hours, stored in seconds) and the actions on UPS events.
#pragma once

#include "applet/base_page.h"

namespace applet {

class COpsComunica;

class COpsPrincipal : public CBasePage {
 public:
  static constexpr CRuntimeClass runtimeClass{"COpsPrincipal", &CBasePage::runtimeClass};
  const CRuntimeClass* GetRuntimeClass() const override { return &runtimeClass; }

  static constexpr int kAutonomyFromServerBox = 1059;
  static constexpr int kHelpText = 1052;
  static constexpr int kAutonomyEdit = 1016;
  static constexpr int kAutonomySpin = 1020;  // minutes
  static constexpr int kRechargeEdit = 1017;
  static constexpr int kRechargeSpin = 1023;  // hours
  static constexpr int kTimeoutShutdownBox = 1002;
  static constexpr int kLowBatteryShutdownBox = 1021;
  static constexpr int kSoundsBox = 1022;

  COpsPrincipal(CAplConfig& config, const COpsComunica& comunica);

  bool OnInitDialog() override;
  void OnShown() override;
  void OnClicked(int id) override;
  void OnOK() override;

 private:
  void ApplyAutonomyFieldRule();

  const COpsComunica& comunica_;
};

}  // namespace applet
