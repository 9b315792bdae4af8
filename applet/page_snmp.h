// "S&NMP" (dialog 149, present when the SNMP agent is registered): the
// agent's event window and its traps. A property page used as a plain page.
#pragma once

#include "config/apl_config.h"
#include "framework/dialog/dialog.h"

namespace applet {

class COpsComunica;

class CPageSnmp : public dialog::CPropertyPage {
 public:
  static constexpr CRuntimeClass runtimeClass{"CPageSnmp", &dialog::CPropertyPage::runtimeClass};
  const CRuntimeClass* GetRuntimeClass() const override { return &runtimeClass; }

  static constexpr int kMaxEventsEdit = 1046;
  static constexpr int kMaxEventsSpin = 1048;
  static constexpr int kSendTrapsBox = 1047;
  static constexpr int kMinEvents = 10;
  static constexpr int kMaxEvents = 300;

  CPageSnmp(CAplConfig& config, const COpsComunica& comunica);

  bool OnInitDialog() override;
  void OnShown() override;
  void OnOK() override;

 private:
  CAplConfig& config_;
  const COpsComunica& comunica_;
};

// The number typed into the event window's field, within kMinEvents to
// kMaxEvents: an empty field counts as 0 and so as the least.
int ClampedEventCount(const std::string& typed);

}  // namespace applet
