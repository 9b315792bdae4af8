#include "framework/dialog/tab_sheet.h"

#include <algorithm>

#include "platform/win1252.h"

namespace dialog {
namespace {

bool TakesFocus(const Control& c) { return c.Focusable() && c.Has(kTabStop); }

}  // namespace

CTabSheet::CTabSheet(const DialogTemplate& resource, int tabControl, int applyButton, int cancelButton)
    : CDialog(resource), tabControl_(tabControl), applyButton_(applyButton), cancelButton_(cancelButton) {}

void CTabSheet::AddPage(CDialog* page, const std::string& label) {
  pages_.push_back(page);
  AddTab(tabControl_, label);
  if (View()) View()->PageAdded(*this, *page);
  page->Create(Host());
}

CDialog* CTabSheet::CurrentPage() const {
  int n = CurrentTab();
  return (n >= 0 && n < PageCount()) ? pages_[n] : nullptr;
}

bool CTabSheet::ClickTab(int index) {
  if (index < 0 || index >= PageCount()) return false;
  // The tab control's items are the tabs; its selection is the current one.
  Control* tab = Mutable(tabControl_);
  tab->items = tab->tabs;
  SetSelection(tabControl_, index);
  OnTabChange();
  return true;
}

void CTabSheet::OnTabChange() {
  int n = CurrentTab();
  if (n < 0 || n >= PageCount()) return;
  for (int i = 0; i < PageCount(); ++i)
    if (i != n) pages_[i]->SetVisible(false);
  pages_[n]->SetVisible(true);
  focus_ = Focus{this, tabControl_};
}

void CTabSheet::ShowFirstPage() {
  if (pages_.empty()) return;
  Control* tab = Mutable(tabControl_);
  tab->items = tab->tabs;
  SetSelection(tabControl_, 0);
  pages_[0]->SetVisible(true);
  focus_ = Focus{this, tabControl_};
  for (const Control& c : pages_[0]->Controls())
    if (TakesFocus(c)) {
      focus_ = Focus{pages_[0], c.id};
      break;
    }
}

void CTabSheet::OnClicked(int id) {
  if (id == applyButton_) OnApply();
  if (id == cancelButton_) OnCancel();
}

void CTabSheet::EndDialog(int result) {
  ended_ = true;
  result_ = result;
}

int CTabSheet::TabForMnemonic(char key) const {
  const Control& tab = Item(tabControl_);
  const char wanted[3] = {'&', static_cast<char>(win1252::ToUpper(static_cast<uint8_t>(key))), 0};
  for (size_t i = 0; i < tab.tabs.size(); ++i)
    if (win1252::UpperCase(tab.tabs[i]).find(wanted) != std::string::npos) return static_cast<int>(i);
  return -1;
}

std::vector<CTabSheet::Focus> CTabSheet::FocusRing() const {
  std::vector<Focus> ring{Focus{const_cast<CTabSheet*>(this), tabControl_}};
  if (CDialog* page = CurrentPage())
    for (const Control& c : page->Controls())
      if (TakesFocus(c)) ring.push_back(Focus{page, c.id});
  for (int id : {applyButton_, cancelButton_})
    if (TakesFocus(Item(id))) ring.push_back(Focus{const_cast<CTabSheet*>(this), id});
  return ring;
}

void CTabSheet::MoveFocus(int direction) {
  std::vector<Focus> ring = FocusRing();
  auto at = std::find(ring.begin(), ring.end(), focus_);
  int index = at == ring.end() ? 0 : static_cast<int>(at - ring.begin());
  int size = static_cast<int>(ring.size());
  focus_ = ring[((index + direction) % size + size) % size];
}

bool CTabSheet::PreTranslateKey(const Key& key) {
  if (key.alt && key.code == Key::kChar) {
    if (key.ch >= '1' && key.ch <= '6') {
      ClickTab(key.ch - '1');  // beyond the last tab: nothing
      return true;
    }
    int tab = TabForMnemonic(key.ch);
    if (tab < 0) return false;
    ClickTab(tab);
    return true;
  }
  if (key.code == Key::kTab) {
    // From the tab strip into the page, and from the page's last control
    // to Apply: both are the next place of the ring.
    std::vector<Focus> ring = FocusRing();
    auto at = std::find(ring.begin(), ring.end(), focus_);
    bool onTabStrip = focus_ == Focus{this, tabControl_};
    bool onLastOfPage = at != ring.end() && at + 1 != ring.end() && at->dialog != this && (at + 1)->dialog == this;
    if (onTabStrip || onLastOfPage) {
      MoveFocus(1);
      return true;
    }
  }
  return false;
}

bool CTabSheet::HandleMnemonic(char key) {
  CDialog* page = CurrentPage();
  if (!page) return false;
  const std::vector<Control>& controls = page->Controls();
  char wanted = static_cast<char>(win1252::ToUpper(static_cast<uint8_t>(key)));
  for (size_t i = 0; i < controls.size(); ++i) {
    if (MnemonicOf(controls[i].text) != wanted || !controls[i].shown) continue;
    // A label hands the focus to the next control that takes it.
    size_t target = i;
    while (target < controls.size() && !TakesFocus(controls[target])) ++target;
    if (target == controls.size() || !controls[target].enabled) return false;
    focus_ = Focus{page, controls[target].id};
    if (target == i && (controls[i].kind == Kind::kCheckBox || controls[i].kind == Kind::kPushButton))
      page->Click(controls[i].id);
    return true;
  }
  return false;
}

void CTabSheet::HandleKey(const Key& key) {
  if (PreTranslateKey(key)) return;
  if (key.alt && key.code == Key::kChar) {
    HandleMnemonic(key.ch);
    return;
  }
  // The focus may sit on a control that has just been disabled or hidden.
  std::vector<Focus> ring = FocusRing();
  if (std::find(ring.begin(), ring.end(), focus_) == ring.end()) focus_ = ring.front();

  switch (key.code) {
    case Key::kEscape:
      OnCancel();
      return;
    case Key::kEnter:
      if (focus_.dialog != this && focus_.dialog->Item(focus_.id).kind == Kind::kPushButton)
        focus_.dialog->Click(focus_.id);
      else if (focus_ == Focus{this, cancelButton_})
        OnCancel();
      else
        OnApply();
      return;
    case Key::kTab:
      MoveFocus(1);
      return;
    case Key::kBackTab:
      MoveFocus(-1);
      return;
    default:
      break;
  }
  if (focus_ == Focus{this, tabControl_}) {
    int n = CurrentTab();
    if (key.code == Key::kLeft) ClickTab(n - 1);
    if (key.code == Key::kRight) ClickTab(n + 1);
    if (key.code == Key::kHome) ClickTab(0);
    if (key.code == Key::kEnd) ClickTab(PageCount() - 1);
    return;
  }
  HandleControlKey(key);
}

void CTabSheet::HandleControlKey(const Key& key) {
  CDialog* d = focus_.dialog;
  const Control& c = d->Item(focus_.id);
  bool up = key.code == Key::kUp, down = key.code == Key::kDown;

  // A spin's buddy takes the arrows for its spin.
  if (c.kind == Kind::kEdit && (up || down)) {
    for (const Control& other : d->Controls())
      if (other.kind == Kind::kSpin && other.buddy == c.id && other.Has(kArrowKeys)) {
        d->PressSpin(other.id, up ? 1 : -1, key.heldMs);
        return;
      }
  }
  switch (c.kind) {
    case Kind::kCheckBox:
    case Kind::kPushButton:
      if (key.code == Key::kSpace) d->Click(c.id);
      break;
    case Kind::kEdit:
      if (key.code == Key::kChar && key.ch != 0) d->Type(c.id, c.text + key.ch);
      if (key.code == Key::kSpace) d->Type(c.id, c.text + ' ');
      if (key.code == Key::kBackspace && !c.text.empty()) d->Type(c.id, c.text.substr(0, c.text.size() - 1));
      break;
    case Kind::kDropDownList:
      if (up && c.selection > 0) d->Choose(c.id, c.selection - 1);
      if ((down || key.code == Key::kSpace) && c.selection + 1 < static_cast<int>(c.items.size()))
        d->Choose(c.id, c.selection + 1);
      return;
    case Kind::kListView:
      if (up && c.selection > 0) d->SetSelection(c.id, c.selection - 1);
      if (down && c.selection + 1 < static_cast<int>(c.items.size())) d->SetSelection(c.id, c.selection + 1);
      // Space stands for the double click on the selected row.
      if (key.code == Key::kSpace) d->DoubleClickRow(c.id, c.selection);
      return;
    default:
      break;
  }
  // Arrows move between the controls of the page, as within a group.
  if ((up || down || key.code == Key::kLeft || key.code == Key::kRight) && d != this) {
    std::vector<Focus> ring = FocusRing();
    long at = std::find(ring.begin(), ring.end(), focus_) - ring.begin();
    long next = at + ((up || key.code == Key::kLeft) ? -1 : 1);
    long size = static_cast<long>(ring.size());
    if (at < size && next >= 0 && next < size && ring[next].dialog == d) focus_ = ring[next];
  }
}

}  // namespace dialog
