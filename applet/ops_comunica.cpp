#include "applet/ops_comunica.h"

#include "applet/resources.h"

namespace applet {

COpsComunica::COpsComunica(CAplConfig& config) : CBasePage(kCommunicationPage, config) {}

bool COpsComunica::OnInitDialog() {
  SetCheck(kSerialBox, config_.comMode == 1);
  SetCheck(kNetworkBox, config_.comMode == 2);
  SetCheck(kDistributeBox, config_.netMode == 4);
  for (const char* port : {"COM1", "COM2", "COM3", "COM4"}) AddItem(kPortList, port);
  SetSelection(kPortList, config_.comPort - 1);  // any other number: no selection
  ApplySerialOptionRule();
  return true;
}

void COpsComunica::ApplySerialOptionRule() {
  bool serial = IsChecked(kSerialBox);
  Enable(kPortLabel, serial);
  Enable(kPortList, serial);
  Enable(kDistributeBox, serial);
}

void COpsComunica::OnClicked(int id) {
  if (id == kSerialBox) SetCheck(kNetworkBox, false);
  if (id == kNetworkBox) SetCheck(kSerialBox, false);
  if (id == kSerialBox || id == kNetworkBox) ApplySerialOptionRule();
}

void COpsComunica::OnOK() {
  config_.comMode = IsChecked(kSerialBox) ? 1 : IsChecked(kNetworkBox) ? 2 : 0;
  // The distribute box counts even while disabled.
  config_.netMode = IsChecked(kNetworkBox) ? 5 : IsChecked(kDistributeBox) ? 4 : 0;
  config_.comPort = Selection(kPortList) + 1;
}

}  // namespace applet
