// The dialog model as the pages and the renderers use it: a user's actions
// are refused where a person could not do them, ticks, typed digits, spins
// and sorted lists behave as the Windows controls do.
#include "framework/dialog/dialog.h"

#include <gtest/gtest.h>

using namespace dialog;

namespace {

const ControlTemplate kControls[] = {
    {Kind::kCheckBox, 10, "&Caixa", 0, 0, 50, 10, kTabStop | kAutoCheck},
    {Kind::kCheckBox, 11, "Manual", 0, 10, 50, 10, kTabStop},
    {Kind::kEdit, 12, "", 0, 20, 50, 10, kTabStop | kDigitsOnly},
    {Kind::kSpin, 13, "", 50, 20, 10, 10, kSetBuddyInt | kArrowKeys},
    {Kind::kEdit, 14, "", 0, 30, 50, 10, kTabStop | kReadOnly},
    {Kind::kListView, 15, "", 0, 40, 50, 40, kTabStop | kSortAscending},
    {Kind::kDropDownList, 16, "", 0, 80, 50, 40, kTabStop},
    {Kind::kPushButton, 17, "OK", 0, 90, 50, 14, kTabStop},
};
const DialogTemplate kTemplate{900, Frame::kChildPage, "", 100, 100, "MS Sans Serif", 8, kControls};

class Recording : public CDialog {
 public:
  Recording() : CDialog(kTemplate) {}
  std::vector<std::string> calls;
  void OnClicked(int id) override { calls.push_back("click " + std::to_string(id)); }
  void OnEditChange(int id) override { calls.push_back("edit " + std::to_string(id)); }
  void OnListDoubleClick(int id, int row) override {
    calls.push_back("dblclk " + std::to_string(id) + " " + std::to_string(row));
  }
};

TEST(DialogModel, ClicksTickAutomaticBoxesOnlyAndAreRefusedWhereAPersonCannotClick) {
  Recording d;
  EXPECT_TRUE(d.Click(10));
  EXPECT_TRUE(d.IsChecked(10));
  EXPECT_TRUE(d.Click(11));
  EXPECT_FALSE(d.IsChecked(11)) << "a plain check box is ticked by its program, not by the click";
  d.Enable(10, false);
  EXPECT_FALSE(d.Click(10));
  d.Enable(10, true);
  d.Show(10, false);
  EXPECT_FALSE(d.Click(10));
  EXPECT_TRUE(d.IsChecked(10));
  EXPECT_FALSE(d.Click(12)) << "an edit is not clicked";
  EXPECT_FALSE(d.Click(999));
  EXPECT_EQ(d.calls, (std::vector<std::string>{"click 10", "click 11"}));
}

TEST(DialogModel, TypingKeepsDigitsOnlyAndReadOnlyEditsRefuseIt) {
  Recording d;
  EXPECT_TRUE(d.Type(12, "1a2 3"));
  EXPECT_EQ(d.Text(12), "123");
  EXPECT_FALSE(d.Type(14, "5"));
  EXPECT_EQ(d.Text(14), "");
  EXPECT_EQ(d.calls, (std::vector<std::string>{"edit 12"}));
}

TEST(DialogModel, SpinStaysInItsRangeWritesItsBuddyAndAcceleratesWhileHeld) {
  Recording d;
  d.SetSpinBuddy(13, 12);
  d.SetSpinRange(13, 10, 300);
  d.SetSpinAccel(13, {{1, 1}, {2, 10}});
  d.SetSpinPosition(13, 5);
  EXPECT_EQ(d.SpinPosition(13), 10);
  EXPECT_EQ(d.Text(12), "10");
  d.PressSpin(13, -1, 0);
  EXPECT_EQ(d.SpinPosition(13), 10);
  d.PressSpin(13, 1, 0);
  d.PressSpin(13, 1, 1500);
  EXPECT_EQ(d.SpinPosition(13), 12);
  d.PressSpin(13, 1, 2000);
  EXPECT_EQ(d.SpinPosition(13), 22);
  // The arrows start from what was typed into the buddy.
  d.Type(12, "295");
  d.PressSpin(13, 1, 2500);
  EXPECT_EQ(d.SpinPosition(13), 300);
  EXPECT_EQ(d.Text(12), "300");
}

TEST(DialogModel, SortedListKeepsItsOrderIgnoringCaseAndADoubleClickOnEmptySpaceSaysSo) {
  Recording d;
  for (const char* name : {"SERVB", "alfa", "SERVA", "Zeta"}) d.AddItem(15, name);
  ASSERT_EQ(d.ItemCount(15), 4);
  EXPECT_EQ(d.ItemText(15, 0), "alfa");
  EXPECT_EQ(d.ItemText(15, 1), "SERVA");
  EXPECT_EQ(d.ItemText(15, 3), "Zeta");
  d.DoubleClickRow(15, 2);
  d.DoubleClickRow(15, 9);
  EXPECT_EQ(d.calls, (std::vector<std::string>{"dblclk 15 2", "dblclk 15 -1"}));
}

TEST(DialogModel, DropDownSelectionOutsideItsItemsIsNone) {
  Recording d;
  for (const char* port : {"COM1", "COM2"}) d.AddItem(16, port);
  d.SetSelection(16, 1);
  EXPECT_EQ(d.Selection(16), 1);
  d.SetSelection(16, 4);
  EXPECT_EQ(d.Selection(16), -1);
  EXPECT_FALSE(d.Choose(16, 2));
  EXPECT_TRUE(d.Choose(16, 0));
  EXPECT_EQ(d.Selection(16), 0);
}

TEST(DialogModel, MnemonicsAreFoundAndRemoved) {
  EXPECT_EQ(MnemonicOf("Opções de Cone&xão"), 'X');
  EXPECT_EQ(MnemonicOf("A && B &c"), 'C');
  EXPECT_EQ(MnemonicOf("Sem"), 0);
  EXPECT_EQ(WithoutMnemonic("S&NMP && mais"), "SNMP & mais");
}

}  // namespace
