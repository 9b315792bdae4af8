// The framework's dialog class: a dialog made from its template, whose
// controls are addressed by id. Program code (the pages) reads and changes
// the controls only through this class and never draws; a renderer shows
// the state and turns the user's actions into the calls below
// (Click, Type, Choose, PressSpin, DoubleClickRow), which also check that
// the control can take them (shown and enabled), as a person would find it.
#pragma once

#include <string>
#include <vector>

#include "framework/dialog/control.h"
#include "framework/dialog/host.h"
#include "framework/dialog/resource.h"
#include "framework/object.h"

namespace dialog {

class CDialog : public CObject {
 public:
  static constexpr CRuntimeClass runtimeClass{"CDialog", &CObject::runtimeClass};
  const CRuntimeClass* GetRuntimeClass() const override { return &runtimeClass; }

  explicit CDialog(const DialogTemplate& resource);
  ~CDialog() override = default;
  CDialog(const CDialog&) = delete;
  CDialog& operator=(const CDialog&) = delete;

  const DialogTemplate& Resource() const { return *resource_; }
  // The window title (SetWindowText); the view hears of it as control kNoId.
  void SetCaption(const std::string& caption);
  const std::string& Caption() const { return caption_; }

  // Life: Create builds the state from the template and runs
  // OnInitDialog; SetVisible runs OnShown/OnHidden on a change; the owner
  // runs OnOK on a confirmed Apply.
  void Create(DialogHost* host);
  bool Created() const { return host_ != nullptr; }
  void SetVisible(bool visible);
  bool Visible() const { return visible_; }
  void SetView(DialogView* view) { view_ = view; }
  DialogView* View() const { return view_; }
  DialogHost* Host() const { return host_; }

  virtual bool OnInitDialog() { return true; }
  virtual void OnShown() {}
  virtual void OnHidden() {}
  virtual void OnOK() {}
  virtual void OnTimer(int /*id*/) {}
  // After a check box or button click (the automatic tick already changed).
  virtual void OnClicked(int /*id*/) {}
  virtual void OnSelChange(int /*id*/) {}
  virtual void OnEditChange(int /*id*/) {}
  // `row` is the item under the double click, -1 for empty space.
  virtual void OnListDoubleClick(int /*id*/, int /*row*/) {}

  // ---- the controls, for program code ----
  const std::vector<Control>& Controls() const { return controls_; }
  bool HasControl(int id) const { return Find(id) != nullptr; }
  const Control& Item(int id) const;

  void SetCheck(int id, bool checked);
  bool IsChecked(int id) const { return Item(id).checked; }
  void SetText(int id, const std::string& text);
  const std::string& Text(int id) const { return Item(id).text; }
  void Enable(int id, bool enabled);
  bool IsEnabled(int id) const { return Item(id).enabled; }
  void Show(int id, bool shown);
  // EM_LIMITTEXT: what the user types is cut to `characters`.
  void SetLimitText(int id, size_t characters);
  bool IsShown(int id) const { return Item(id).shown; }

  // Spin. The position is kept within the range; with kSetBuddyInt the
  // buddy's text is the position in decimal.
  void SetSpinBuddy(int id, int buddy);
  void SetSpinRange(int id, int low, int high);
  void SetSpinAccel(int id, const std::vector<SpinAccel>& accel);
  void SetSpinPosition(int id, int position);
  int SpinPosition(int id) const { return Item(id).position; }

  // Drop-down list and list view items.
  void AddItem(int id, const std::string& item);
  int ItemCount(int id) const { return static_cast<int>(Item(id).items.size()); }
  const std::string& ItemText(int id, int index) const { return Item(id).items.at(index); }
  void SetSelection(int id, int index);  // outside the items: none
  int Selection(int id) const { return Item(id).selection; }
  void SetColumn(int id, const std::string& title, int widthPixels);

  // Tab control labels.
  void AddTab(int id, const std::string& label);

  void SetTimer(int id, int milliseconds);
  void KillTimer(int id);
  int ShowMessageBox(const std::string& text, const std::string& caption, unsigned style);

  // ---- user actions, for renderers and tests; false when refused ----
  bool Click(int id);
  bool Type(int id, const std::string& text);
  bool Choose(int id, int index);
  // An arrow of a spin (direction +1 up, -1 down), `heldMs` after the arrow
  // went down: the step comes from the acceleration table. Starts from the
  // buddy's number when it holds one.
  bool PressSpin(int id, int direction, int heldMs);
  bool DoubleClickRow(int id, int row);

  // Lets a renderer with real controls copy the user's change into the
  // model without telling it back to itself.
  Control* Mutable(int id) { return Find(id); }

 protected:
  Control* Find(int id);
  const Control* Find(int id) const;

 private:
  Control& Edit(int id);
  void Changed(int id);

  const DialogTemplate* resource_;
  std::vector<Control> controls_;  // in tab order
  DialogHost* host_ = nullptr;
  DialogView* view_ = nullptr;
  bool visible_ = false;
  std::string caption_;
};

// The step of a spin held `heldMs`: the increment of the last table entry
// whose time has come; 1 before any.
int SpinStep(const std::vector<SpinAccel>& accel, int heldMs);

// The framework's property-page class: a dialog that lives as a page of a
// sheet.
class CPropertyPage : public CDialog {
 public:
  static constexpr CRuntimeClass runtimeClass{"CPropertyPage", &CDialog::runtimeClass};
  const CRuntimeClass* GetRuntimeClass() const override { return &runtimeClass; }
  using CDialog::CDialog;
};

}  // namespace dialog
