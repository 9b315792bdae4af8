#include "applet/ops_config.h"

#include "applet/resources.h"

namespace applet {

COpsConfig::COpsConfig(CAplConfig& config) : CBasePage(kTechnicalPage, config) {}

bool COpsConfig::OnInitDialog() {
  SetCheck(kFilterBox, config_.signalFilter > 0);
  SetCheck(kWithoutBypassBox, config_.tipoCabo == 0);
  SetCheck(kWithBypassBox, config_.tipoCabo == 1);
  SetCheck(kInvertBypassBox, config_.tipoBypass == 1);
  ApplyBypassRule();
  return true;
}

void COpsConfig::ApplyBypassRule() { Enable(kInvertBypassBox, IsChecked(kWithBypassBox)); }

void COpsConfig::OnClicked(int id) {
  if (id == kWithoutBypassBox) SetCheck(kWithBypassBox, !IsChecked(kWithoutBypassBox));
  if (id == kWithBypassBox) SetCheck(kWithoutBypassBox, !IsChecked(kWithBypassBox));
  if (id == kWithoutBypassBox || id == kWithBypassBox) ApplyBypassRule();
}

void COpsConfig::OnOK() {
  // The filter on is stored as 3, whatever count was loaded.
  config_.signalFilter = IsChecked(kFilterBox) ? 3 : 0;
  config_.tipoCabo = IsChecked(kWithoutBypassBox) ? 0 : 1;
  // Kept also while the box is disabled.
  config_.tipoBypass = Ticked(IsChecked(kInvertBypassBox));
}

}  // namespace applet
