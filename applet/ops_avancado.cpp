#include "applet/ops_avancado.h"

#include "applet/resources.h"

namespace applet {

COpsAvancado::COpsAvancado(CAplConfig& config) : CBasePage(kScriptPage, config) {}

bool COpsAvancado::OnInitDialog() {
  SetCheck(kRunScriptBox, config_.runLtScript == 1);
  SetLimitText(kPathEdit, kMaxSettingText);
  SetText(kPathEdit, config_.ltScript);
  ApplyScriptRule();
  return true;
}

void COpsAvancado::ApplyScriptRule() {
  bool run = IsChecked(kRunScriptBox);
  for (int id : {kPathEdit, kPathLabel, kBrowseButton}) Enable(id, run);
}

void COpsAvancado::OnClicked(int id) {
  if (id == kRunScriptBox) ApplyScriptRule();
  if (id == kBrowseButton && Host()) {
    dialog::FileOpenRequest request;
    request.filters = {{"Arquivos de script (*.bat;*.cmd)", "*.bat; *.cmd"}, {"Todos os arquivos (*.*)", "*.*"}};
    request.mustExist = true;
    request.hideReadOnly = true;
    std::string path;
    // A path longer than the setting can hold would be saved and then never
    // load again: it is refused, and the field keeps what it had.
    if (Host()->ChooseFile(this, request, &path) && path.size() <= kMaxSettingText) SetText(kPathEdit, path);
  }
}

void COpsAvancado::OnOK() {
  config_.ltScript = Text(kPathEdit);
  config_.runLtScript = Ticked(IsChecked(kRunScriptBox));
}

}  // namespace applet
