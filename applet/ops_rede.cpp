#include "applet/ops_rede.h"

#include "applet/messages.h"
#include "applet/ops_comunica.h"
#include "applet/resources.h"
#include "applet/server_list.h"
#include "platform/win1252.h"

namespace applet {

COpsRede::COpsRede(CAplConfig& config, const COpsComunica& comunica, const ServerList& servers, const bool& listening)
    : CBasePage(kNetworkPage, config), comunica_(comunica), servers_(servers), listening_(listening) {}

bool COpsRede::OnInitDialog() {
  SetColumn(kServerListView, "Nome", 90);
  shown_ = 0;
  SetCheck(kAcceptAllBox, config_.acceptAll == 1);
  SetCheck(kOnlyThisOneBox, config_.acceptAll == 0);
  SetCheck(kShutdownBox, config_.desligar == 1);
  SetLimitText(kHostNameEdit, kMaxSettingText);
  SetText(kHostNameEdit, config_.hostName);
  SetLimitText(kNetKeyEdit, kMaxSettingText);
  SetText(kNetKeyEdit, config_.netKey);
  ApplyOptionRule();
  return true;
}

void COpsRede::ApplyOptionRule() {
  bool any = IsChecked(kAcceptAllBox);
  Enable(kHostNameEdit, !any && IsChecked(kOnlyThisOneBox));
  Enable(kServerListView, !any);
}

void COpsRede::OnClicked(int id) {
  if (id == kAcceptAllBox) SetCheck(kOnlyThisOneBox, !IsChecked(kAcceptAllBox));
  if (id == kOnlyThisOneBox) SetCheck(kAcceptAllBox, !IsChecked(kOnlyThisOneBox));
  if (id == kAcceptAllBox || id == kOnlyThisOneBox) ApplyOptionRule();
}

void COpsRede::ShowNewServers() {
  const std::vector<std::string>& names = servers_.Names();
  for (; shown_ < names.size(); ++shown_) AddItem(kServerListView, names[shown_]);
}

void COpsRede::OnShown() {
  bool network = comunica_.NetworkBoxTicked();
  for (int id : {kAcceptAllBox, kOnlyThisOneBox, kHostNameEdit}) Enable(id, network);
  Enable(kServerListView, network && !IsChecked(kAcceptAllBox));
  if (listening_) {
    ShowNewServers();
    SetTimer(kRefreshTimer, kRefreshMs);
  }
}

void COpsRede::OnTimer(int id) {
  if (id == kRefreshTimer) ShowNewServers();
}

void COpsRede::OnHidden() {
  if (comunica_.NetworkBoxTicked() && IsChecked(kOnlyThisOneBox) && Text(kHostNameEdit).empty())
    ShowMessageBox("Você deve digitar o nome do computador que enviará as notificações."_w1252, MessageTitle(),
                   platform::kMbIconExclamation);
  else if (listening_)
    KillTimer(kRefreshTimer);
}

void COpsRede::OnListDoubleClick(int id, int row) {
  if (id == kServerListView && row >= 0) SetText(kHostNameEdit, ItemText(kServerListView, row));
}

void COpsRede::OnOK() {
  config_.hostName = Text(kHostNameEdit);
  config_.acceptAll = Ticked(IsChecked(kAcceptAllBox));
  config_.desligar = Ticked(IsChecked(kShutdownBox));
  config_.netKey = Text(kNetKeyEdit);
}

}  // namespace applet
