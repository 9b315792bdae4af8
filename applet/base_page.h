// The base of the applet's pages: a dialog shown as a page of the sheet.
// Each page fills its controls from the settings object when it is
// initialised and copies them back in OnOK, which the sheet calls on a
// confirmed Apply; nothing is written to the registry here.
#pragma once

#include "config/apl_config.h"
#include "framework/dialog/dialog.h"

namespace applet {

class CBasePage : public dialog::CDialog {
 public:
  static constexpr CRuntimeClass runtimeClass{"CBasePage", &dialog::CDialog::runtimeClass};
  const CRuntimeClass* GetRuntimeClass() const override { return &runtimeClass; }

  CBasePage(const dialog::DialogTemplate& resource, CAplConfig& config) : CDialog(resource), config_(config) {}

 protected:
  CAplConfig& config_;
};

// The longest text a string setting can hold and still load again: the
// store reads strings into a 255-byte buffer with its terminator.
inline constexpr size_t kMaxSettingText = CConfig::kStringBufferBytes - 1;

// "1 if ticked else 0", as the settings store them.
inline int32_t Ticked(bool checked) { return checked ? 1 : 0; }

}  // namespace applet
