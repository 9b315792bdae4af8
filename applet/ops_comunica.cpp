#include "applet/ops_comunica.h"

#include <string>

#include "applet/resources.h"
#include "core/hid_device_name.h"

namespace applet {

namespace {

// The port list: the four COM ports, then a USB UPS.
constexpr int kUsbItem = 4;

bool NamesUsbUps(const std::string& port) { return core::LooksLikeHidUpsName(port.data(), port.size()); }

}  // namespace

COpsComunica::COpsComunica(CAplConfig& config) : CBasePage(kCommunicationPage, config) {}

bool COpsComunica::OnInitDialog() {
  SetCheck(kSerialBox, config_.comMode == 1);
  SetCheck(kNetworkBox, config_.comMode == 2);
  SetCheck(kDistributeBox, config_.netMode == 4);
  for (const char* port : {"COM1", "COM2", "COM3", "COM4", "USB"}) AddItem(kPortList, port);
  if (NamesUsbUps(config_.usbPort)) {
    SetSelection(kPortList, kUsbItem);
  } else {
    SetSelection(kPortList, config_.comPort - 1);  // any other number: no selection
  }
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
  if (Selection(kPortList) == kUsbItem) {
    // "ComPort" keeps its COM port for an older program; a name already
    // naming one UPS (its vendor, product or serial) stays as written.
    if (!NamesUsbUps(config_.usbPort)) config_.usbPort = "usb";
  } else {
    config_.comPort = Selection(kPortList) + 1;
    config_.usbPort.clear();
  }
}

}  // namespace applet
