// A sheet of tabbed pages: a dialog with a tab control, an Apply and a
// Cancel button, and one page per tab of which one is shown. It owns the
// tab change, the end of the modal run, the focus when a keyboard alone
// drives it, and the sheet's keyboard rules:
// - Tab on the tab control moves into the current page (its first
//   control); Tab on the page's last control moves to Apply; Shift+Tab the
//   other way round.
// - Alt with a digit 1 to 6 selects that tab (ignored beyond the last);
//   Alt with another key selects the first tab whose label, in upper case,
//   holds '&' and that key. Otherwise Alt with a key works the page control
//   whose label has that mnemonic.
// - Enter is Apply (unless a push button of the page has the focus, which
//   Enter presses), Escape is Cancel.
#pragma once

#include <string>
#include <vector>

#include "framework/dialog/dialog.h"
#include "framework/dialog/keys.h"

namespace dialog {

class CTabSheet : public CDialog {
 public:
  static constexpr CRuntimeClass runtimeClass{"CTabSheet", &CDialog::runtimeClass};
  const CRuntimeClass* GetRuntimeClass() const override { return &runtimeClass; }

  CTabSheet(const DialogTemplate& resource, int tabControl, int applyButton, int cancelButton);

  int TabControl() const { return tabControl_; }
  int ApplyButton() const { return applyButton_; }
  int CancelButton() const { return cancelButton_; }

  // Creates `page` (OnInitDialog runs) hidden, and adds its tab.
  void AddPage(CDialog* page, const std::string& label);
  int PageCount() const { return static_cast<int>(pages_.size()); }
  CDialog* Page(int index) const { return pages_.at(index); }
  int CurrentTab() const { return Selection(tabControl_); }
  CDialog* CurrentPage() const;

  // The user picked tab `index` on the tab strip: the tab control's
  // selection changes and the tab change runs.
  bool ClickTab(int index);
  // The tab change: page n = the tab control's selection is shown, every
  // other page hidden, and the tab control takes the focus.
  virtual void OnTabChange();
  // Shows, enables and focuses page `index` as the first one shown.
  void ShowFirstPage();

  // Apply and Cancel, from their buttons, Enter and Escape.
  virtual void OnApply() { EndDialog(1); }
  virtual void OnCancel() { EndDialog(2); }
  void OnClicked(int id) override;

  void EndDialog(int result);
  bool Ended() const { return ended_; }
  int Result() const { return result_; }

  // ---- keyboard ----
  struct Focus {
    CDialog* dialog = nullptr;
    int id = kNoId;
    bool operator==(const Focus&) const = default;
  };
  Focus CurrentFocus() const { return focus_; }
  void SetFocus(CDialog* dialog, int id) { focus_ = Focus{dialog, id}; }
  // The sheet's own rules (Alt, Tab on the tab control and on the page's
  // last control); true when the key was taken. A renderer whose system
  // does the rest (Windows) calls only this.
  bool PreTranslateKey(const Key& key);
  // Everything a keyboard does to the sheet: the rules above, then moving
  // the focus, ticking, typing, spinning and choosing. For renderers
  // without a dialog manager of their own (the terminal) and for tests.
  void HandleKey(const Key& key);
  // The tab whose label holds '&' + key (upper case), or -1.
  int TabForMnemonic(char key) const;

 private:
  std::vector<Focus> FocusRing() const;
  void MoveFocus(int direction);
  bool HandleMnemonic(char key);
  void HandleControlKey(const Key& key);

  int tabControl_, applyButton_, cancelButton_;
  std::vector<CDialog*> pages_;  // not owned, in tab order
  Focus focus_;
  bool ended_ = false;
  int result_ = 0;
};

}  // namespace dialog
