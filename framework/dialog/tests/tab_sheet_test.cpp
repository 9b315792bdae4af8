// The tabbed sheet driven by a keyboard: the tab change and the pages'
// shown/hidden life, the Alt rules, the focus ring with the Tab rules, and
// Enter and Escape.
#include "framework/dialog/tab_sheet.h"

#include <gtest/gtest.h>

using namespace dialog;

namespace {

const ControlTemplate kSheetControls[] = {
    {Kind::kTabControl, 1045, "", 4, 25, 287, 167, kTabStop},
    {Kind::kPushButton, 1, "Aplicar", 80, 195, 50, 15, kTabStop | kDefaultButton},
    {Kind::kPushButton, 2, "Cancelar", 164, 195, 50, 15, kTabStop},
};
const DialogTemplate kSheet{148, Frame::kModalPopup, "Sheet", 294, 214, "Microsoft Sans Serif", 8, kSheetControls};

const ControlTemplate kPageControls[] = {
    {Kind::kStatic, kNoId, "&Rótulo", 0, 0, 40, 8, 0},
    {Kind::kEdit, 20, "", 0, 10, 40, 12, kTabStop},
    {Kind::kCheckBox, 21, "&Marca", 0, 30, 40, 10, kTabStop | kAutoCheck},
    {Kind::kPushButton, 22, "&Procurar...", 0, 40, 40, 14, kTabStop},
};
const DialogTemplate kPage{900, Frame::kChildPage, "", 277, 153, "MS Sans Serif", 8, kPageControls};

std::vector<std::string> events;

class Page : public CDialog {
 public:
  explicit Page(std::string name) : CDialog(kPage), name_(std::move(name)) {}
  void OnShown() override { events.push_back("show " + name_); }
  void OnHidden() override { events.push_back("hide " + name_); }
  void OnClicked(int id) override { events.push_back(name_ + " click " + std::to_string(id)); }

 private:
  std::string name_;
};

class Sheet : public CTabSheet {
 public:
  Sheet() : CTabSheet(kSheet, 1045, 1, 2) {}
  void OnApply() override { events.push_back("apply"); }
};

struct Fixture : ::testing::Test {
  Sheet sheet;
  Page first{"P"}, second{"C"}, third{"X"};
  void SetUp() override {
    events.clear();
    sheet.Create(nullptr);
    sheet.AddPage(&first, "&Principal");
    sheet.AddPage(&second, "&Comunicação");
    sheet.AddPage(&third, "Opções de Cone&xão");
    sheet.ShowFirstPage();
  }
  void Press(Key key) { sheet.HandleKey(key); }
};

TEST_F(Fixture, AltWithALetterOrADigitSelectsTheTabAndPagesHearWhenTheyAreHiddenAndShown) {
  EXPECT_EQ(events, (std::vector<std::string>{"show P"}));
  Press(CharKey('x', true));
  EXPECT_EQ(sheet.CurrentTab(), 2);
  EXPECT_TRUE(third.Visible());
  EXPECT_FALSE(first.Visible());
  Press(CharKey('2', true));
  EXPECT_EQ(sheet.CurrentTab(), 1);
  Press(CharKey('6', true));
  EXPECT_EQ(sheet.CurrentTab(), 1) << "Alt+6 with three tabs does nothing";
  EXPECT_EQ(events, (std::vector<std::string>{"show P", "hide P", "show X", "hide X", "show C"}));
  EXPECT_EQ(sheet.CurrentFocus(), (CTabSheet::Focus{&sheet, 1045}));
}

TEST_F(Fixture, AltWithAPageMnemonicWorksThatControlOrTheOneAfterItsLabel) {
  Press(CharKey('m', true));
  EXPECT_TRUE(first.IsChecked(21));
  Press(CharKey('r', true));
  EXPECT_EQ(sheet.CurrentFocus(), (CTabSheet::Focus{&first, 20}));
  events.clear();
  Press(CharKey('p', true));
  EXPECT_EQ(sheet.CurrentTab(), 0) << "a tab's mnemonic comes before the page's";
  EXPECT_TRUE(events.empty()) << "re-selecting the shown tab hides and shows nothing";
}

TEST_F(Fixture, TabGoesFromTheStripIntoThePageAndFromItsLastControlToApply) {
  sheet.SetFocus(&sheet, 1045);
  Press(CodeKey(Key::kTab));
  EXPECT_EQ(sheet.CurrentFocus(), (CTabSheet::Focus{&first, 20}));
  first.Enable(22, false);
  Press(CodeKey(Key::kTab));
  Press(CodeKey(Key::kTab));
  EXPECT_EQ(sheet.CurrentFocus(), (CTabSheet::Focus{&sheet, 1})) << "a disabled control is passed over";
  Press(CodeKey(Key::kTab));
  Press(CodeKey(Key::kTab));
  EXPECT_EQ(sheet.CurrentFocus(), (CTabSheet::Focus{&sheet, 1045}));
  Press(CodeKey(Key::kBackTab));
  EXPECT_EQ(sheet.CurrentFocus(), (CTabSheet::Focus{&sheet, 2}));
}

TEST_F(Fixture, ArrowsOnTheStripChangeTabSpaceTicksAndTypingFillsTheEdit) {
  sheet.SetFocus(&sheet, 1045);
  Press(CodeKey(Key::kRight));
  Press(CodeKey(Key::kRight));
  Press(CodeKey(Key::kRight));
  EXPECT_EQ(sheet.CurrentTab(), 2);
  Press(CodeKey(Key::kTab));
  Press(CharKey('a'));
  Press(CharKey('b'));
  Press(CodeKey(Key::kBackspace));
  EXPECT_EQ(third.Text(20), "a");
  Press(CodeKey(Key::kDown));
  Press(CodeKey(Key::kSpace));
  EXPECT_TRUE(third.IsChecked(21));
}

TEST_F(Fixture, EnterAppliesUnlessAPageButtonHasTheFocusAndEscapeCancels) {
  sheet.SetFocus(&first, 22);
  Press(CodeKey(Key::kEnter));
  EXPECT_EQ(events.back(), "P click 22");
  sheet.SetFocus(&first, 20);
  Press(CodeKey(Key::kEnter));
  EXPECT_EQ(events.back(), "apply");
  EXPECT_FALSE(sheet.Ended());
  Press(CodeKey(Key::kEscape));
  EXPECT_TRUE(sheet.Ended());
  EXPECT_EQ(sheet.Result(), 2);
}

}  // namespace
