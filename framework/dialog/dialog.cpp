#include "framework/dialog/dialog.h"

#include <algorithm>
#include <cstdlib>

#include "platform/win1252.h"
#include "platform/debug_output.h"

namespace dialog {
namespace {

// What a missing id reads as: a blank, disabled, hidden static.
const ControlTemplate kMissingTemplate{Kind::kStatic, kNoId, "", 0, 0, 0, 0, kHidden};

const Control& MissingControl() {
  static const Control missing = [] {
    Control c(kMissingTemplate);
    c.enabled = false;
    return c;
  }();
  return missing;
}

bool ParseNumber(const std::string& text, int* value) {
  if (text.empty() || text.size() > 9) return false;
  for (char c : text)
    if (c < '0' || c > '9') return false;
  *value = std::atoi(text.c_str());
  return true;
}

}  // namespace

int SpinStep(const std::vector<SpinAccel>& accel, int heldMs) {
  int step = 1;
  for (const SpinAccel& a : accel)
    if (heldMs >= a.seconds * 1000) step = a.increment;
  return step;
}

CDialog::CDialog(const DialogTemplate& resource)
    : resource_(&resource), caption_(resource.caption ? resource.caption : "") {
  for (const ControlTemplate& t : resource.controls) controls_.emplace_back(t);
}

void CDialog::SetCaption(const std::string& caption) {
  caption_ = caption;
  if (view_) view_->ControlChanged(*this, kNoId);
}

void CDialog::Create(DialogHost* host) {
  host_ = host;
  OnInitDialog();
}

void CDialog::SetVisible(bool visible) {
  if (visible == visible_) return;
  visible_ = visible;
  if (view_) view_->VisibilityChanged(*this);
  if (visible)
    OnShown();
  else
    OnHidden();
}

Control* CDialog::Find(int id) {
  if (id == kNoId) return nullptr;
  for (Control& c : controls_)
    if (c.id == id) return &c;
  return nullptr;
}

const Control* CDialog::Find(int id) const { return const_cast<CDialog*>(this)->Find(id); }

const Control& CDialog::Item(int id) const {
  if (const Control* c = Find(id)) return *c;
  platform::DebugPrintf("dialog %d: no control %d\n", resource_->id, id);
  return MissingControl();
}

Control& CDialog::Edit(int id) {
  if (Control* c = Find(id)) return *c;
  platform::DebugPrintf("dialog %d: no control %d\n", resource_->id, id);
  // Changes to a missing control go to a scratch copy nobody shows.
  static Control scratch(kMissingTemplate);
  scratch = MissingControl();
  return scratch;
}

void CDialog::Changed(int id) {
  if (view_ && Find(id)) view_->ControlChanged(*this, id);
}

void CDialog::SetCheck(int id, bool checked) {
  Edit(id).checked = checked;
  Changed(id);
}

void CDialog::SetText(int id, const std::string& text) {
  Edit(id).text = text;
  Changed(id);
}

void CDialog::Enable(int id, bool enabled) {
  Edit(id).enabled = enabled;
  Changed(id);
}

void CDialog::Show(int id, bool shown) {
  Edit(id).shown = shown;
  Changed(id);
}

void CDialog::SetLimitText(int id, size_t characters) {
  Edit(id).limit = characters;
  Changed(id);
}

void CDialog::SetSpinBuddy(int id, int buddy) {
  Edit(id).buddy = buddy;
  Changed(id);
}

void CDialog::SetSpinRange(int id, int low, int high) {
  Control& spin = Edit(id);
  spin.low = low;
  spin.high = high;
  Changed(id);
}

void CDialog::SetSpinAccel(int id, const std::vector<SpinAccel>& accel) {
  Edit(id).accel = accel;
  Changed(id);
}

void CDialog::SetSpinPosition(int id, int position) {
  Control& spin = Edit(id);
  int low = std::min(spin.low, spin.high), high = std::max(spin.low, spin.high);
  spin.position = std::clamp(position, low, high);
  Changed(id);
  if (spin.Has(kSetBuddyInt) && spin.buddy != kNoId) SetText(spin.buddy, std::to_string(spin.position));
}

void CDialog::AddItem(int id, const std::string& item) {
  Control& c = Edit(id);
  if (c.Has(kSortAscending)) {
    auto at = std::upper_bound(c.items.begin(), c.items.end(), item, [](const std::string& a, const std::string& b) {
      return win1252::CompareNoCase(a, b) < 0;
    });
    c.items.insert(at, item);
  } else {
    c.items.push_back(item);
  }
  Changed(id);
}

void CDialog::SetSelection(int id, int index) {
  Control& c = Edit(id);
  c.selection = (index >= 0 && index < static_cast<int>(c.items.size())) ? index : -1;
  Changed(id);
}

void CDialog::SetColumn(int id, const std::string& title, int widthPixels) {
  Control& c = Edit(id);
  c.columnTitle = title;
  c.columnWidth = widthPixels;
  Changed(id);
}

void CDialog::AddTab(int id, const std::string& label) {
  Edit(id).tabs.push_back(label);
  Changed(id);
}

void CDialog::SetTimer(int id, int milliseconds) {
  if (host_) host_->SetTimer(this, id, milliseconds);
}

void CDialog::KillTimer(int id) {
  if (host_) host_->KillTimer(this, id);
}

int CDialog::ShowMessageBox(const std::string& text, const std::string& caption, unsigned style) {
  return host_ ? host_->ShowMessageBox(this, text, caption, style) : 0;
}

bool CDialog::Click(int id) {
  Control* c = Find(id);
  if (!c || !c->Focusable()) return false;
  if (c->kind == Kind::kCheckBox) {
    if (c->Has(kAutoCheck)) SetCheck(id, !c->checked);
  } else if (c->kind != Kind::kPushButton) {
    return false;
  }
  OnClicked(id);
  return true;
}

bool CDialog::Type(int id, const std::string& text) {
  Control* c = Find(id);
  if (!c || !c->Focusable() || c->kind != Kind::kEdit || c->Has(kReadOnly)) return false;
  std::string accepted;
  for (char ch : text)
    if (!c->Has(kDigitsOnly) || (ch >= '0' && ch <= '9')) accepted += ch;
  if (c->limit > 0 && accepted.size() > c->limit) accepted.resize(c->limit);
  SetText(id, accepted);
  OnEditChange(id);
  return true;
}

bool CDialog::Choose(int id, int index) {
  Control* c = Find(id);
  if (!c || !c->Focusable() || c->kind != Kind::kDropDownList) return false;
  if (index < 0 || index >= static_cast<int>(c->items.size())) return false;
  SetSelection(id, index);
  OnSelChange(id);
  return true;
}

bool CDialog::PressSpin(int id, int direction, int heldMs) {
  Control* c = Find(id);
  if (!c || c->kind != Kind::kSpin || !c->shown || !c->enabled) return false;
  int from = c->position;
  if (c->buddy != kNoId) {
    int typed = 0;
    if (ParseNumber(Text(c->buddy), &typed)) from = typed;
  }
  int step = SpinStep(c->accel, heldMs);
  // Up counts toward `high`, whichever way round the range is.
  int sign = c->high >= c->low ? 1 : -1;
  SetSpinPosition(id, from + direction * sign * step);
  return true;
}

bool CDialog::DoubleClickRow(int id, int row) {
  Control* c = Find(id);
  if (!c || !c->Focusable() || c->kind != Kind::kListView) return false;
  if (row >= static_cast<int>(c->items.size())) row = -1;
  OnListDoubleClick(id, row);
  return true;
}

}  // namespace dialog
