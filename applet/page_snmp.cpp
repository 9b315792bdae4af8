#include "applet/page_snmp.h"

#include "applet/ops_comunica.h"
#include "applet/resources.h"

namespace applet {

int ClampedEventCount(const std::string& typed) {
  long value = 0;
  for (char c : typed) {
    if (c < '0' || c > '9') continue;
    value = value * 10 + (c - '0');
    if (value > CPageSnmp::kMaxEvents) break;  // no overflow on long runs of digits
  }
  if (value < CPageSnmp::kMinEvents) return CPageSnmp::kMinEvents;
  if (value > CPageSnmp::kMaxEvents) return CPageSnmp::kMaxEvents;
  return static_cast<int>(value);
}

CPageSnmp::CPageSnmp(CAplConfig& config, const COpsComunica& comunica)
    : CPropertyPage(kSnmpPage), config_(config), comunica_(comunica) {}

bool CPageSnmp::OnInitDialog() {
  SetSpinBuddy(kMaxEventsSpin, kMaxEventsEdit);
  SetSpinRange(kMaxEventsSpin, kMinEvents, kMaxEvents);
  SetSpinAccel(kMaxEventsSpin, {{1, 1}, {2, 10}});
  SetSpinPosition(kMaxEventsSpin, config_.maxEvents);
  SetCheck(kSendTrapsBox, config_.sendSnmpTraps > 0);
  return true;
}

void CPageSnmp::OnShown() {
  bool local = !comunica_.NetworkBoxTicked();
  for (int id : {kSendTrapsBox, kMaxEventsSpin, kMaxEventsEdit, 1055, 1056, 1057}) Enable(id, local);
}

void CPageSnmp::OnOK() {
  // What the field shows is what the user meant; the spin's own position
  // is only where the arrows last left it.
  config_.maxEvents = ClampedEventCount(Text(kMaxEventsEdit));
  config_.sendSnmpTraps = IsChecked(kSendTrapsBox) ? 1 : 0;
}

}  // namespace applet
