#include "framework/dialog/terminal/sheet_view.h"

#include <algorithm>

#include "platform/win1252.h"
#include "framework/dialog/terminal/text.h"

namespace terminal {
namespace {

using dialog::Control;
using dialog::Kind;
using dialog::kUnitsPerColumn;
using dialog::kUnitsPerRow;

unsigned Enabled(const Control& c, unsigned attr) { return c.enabled ? attr : (attr | kDim); }

}  // namespace

Cells CellsOf(int row, int column, int x, int y, int width, int height) {
  Cells cells;
  cells.column = column + x / kUnitsPerColumn;
  // Rows to the nearest: a label 2 units below its field's top stays on
  // the field's row.
  int top = (y + kUnitsPerRow / 2) / kUnitsPerRow;
  cells.row = row + top;
  cells.columns = std::max(1, (x + width) / kUnitsPerColumn - x / kUnitsPerColumn);
  cells.rows = std::max(1, (y + height + kUnitsPerRow / 2) / kUnitsPerRow - top);
  return cells;
}

int SheetView::NeededColumns() const {
  int width = sheet_.Resource().width;
  return (width + kUnitsPerColumn - 1) / kUnitsPerColumn;
}

int SheetView::NeededRows() const {
  int height = sheet_.Resource().height;
  return (height + kUnitsPerRow - 1) / kUnitsPerRow;
}

bool SheetView::Fits() const { return screen_.Columns() >= NeededColumns() && screen_.Rows() >= NeededRows(); }

bool SheetView::Focused(const dialog::CDialog& owner, int id) const {
  auto focus = sheet_.CurrentFocus();
  return focus.dialog == &owner && focus.id == id;
}

void SheetView::Draw() {
  screen_.Clear();
  cursorRow_ = -1;
  if (!Fits()) {
    std::string notice = "Terminal pequeno demais para a janela: aumente-o para " + std::to_string(NeededColumns()) +
                         " colunas e " + std::to_string(NeededRows()) + " linhas."_w1252;
    std::vector<std::string> lines = Wrap(notice, std::max(10, screen_.Columns() - 2));
    for (size_t i = 0; i < lines.size(); ++i)
      screen_.Put(screen_.Rows() / 2 - 1 + static_cast<int>(i), 1, lines[i], screen_.Columns() - 2, kBold);
    screen_.Cursor(-1, -1);
    screen_.Refresh();
    return;
  }
  int top = (screen_.Rows() - NeededRows()) / 2;
  int left = (screen_.Columns() - NeededColumns()) / 2;
  int width = NeededColumns();

  // The title bar, and the banner where the sheet paints its bitmap.
  screen_.Fill(top, left, width, kReverse);
  std::string caption = sheet_.Caption();
  int captionStart = left + std::max(0, (width - static_cast<int>(caption.size())) / 2);
  screen_.Put(top, captionStart, caption, width, kReverse | kBold);
  screen_.Put(top + 1, left + 3, "VIGIL 2.0", 9, kBold);

  for (const Control& c : sheet_.Controls()) {
    if (!c.shown) continue;
    if (c.kind == Kind::kTabControl) {
      Cells cells = CellsOf(top, left, c.source->x, c.source->y, c.source->width, c.source->height);
      DrawTabs(c, cells);
      if (const dialog::CDialog* page = sheet_.CurrentPage()) DrawPage(*page, cells.row + 1, cells.column + 1);
    } else {
      DrawControl(sheet_, c, top, left);
    }
  }
  screen_.Put(top + NeededRows() - 1, left,
              "Tab: mover  Espaço: marcar  Alt+letra: ir  Enter: Aplicar  Esc: Cancelar"_w1252, width, kDim);
  screen_.Cursor(cursorRow_, cursorColumn_);
  screen_.Refresh();
}

void SheetView::DrawTabs(const Control& tabs, const Cells& cells) {
  // The labels sit on the frame's top line, as tabs on a folder.
  screen_.Frame(cells.row, cells.column, cells.row + cells.rows - 1, cells.column + cells.columns - 1, kPlain);
  int column = cells.column + 1;
  int end = cells.column + cells.columns - 1;
  bool focused = Focused(sheet_, tabs.id);
  for (size_t i = 0; i < tabs.tabs.size() && column < end; ++i) {
    const std::string& label = tabs.tabs[i];
    int length = static_cast<int>(dialog::WithoutMnemonic(label).size());
    bool selected = static_cast<int>(i) == tabs.selection;
    unsigned attr = selected ? (focused ? kReverse | kBold : kReverse) : kPlain;
    screen_.Put(cells.row, column, label, std::min(length, end - column), attr, true);
    if (selected && focused) cursorRow_ = cells.row, cursorColumn_ = column;
    column += length;
    if (i + 1 < tabs.tabs.size()) screen_.Put(cells.row, column++, "|", 1, kPlain);
  }
}

void SheetView::DrawPage(const dialog::CDialog& page, int row, int column) {
  // Frames first, so that what sits on their lines (a box as a group's
  // title) is drawn over them.
  for (const Control& c : page.Controls())
    if (c.shown && c.kind == Kind::kGroupBox) DrawControl(page, c, row, column);
  for (const Control& c : page.Controls())
    if (c.shown && c.kind != Kind::kGroupBox) DrawControl(page, c, row, column);
}

void SheetView::DrawControl(const dialog::CDialog& owner, const Control& c, int row, int column) {
  const dialog::ControlTemplate& t = *c.source;
  Cells cells = CellsOf(row, column, t.x, t.y, t.width, t.height);
  bool focused = Focused(owner, c.id) && c.Focusable();
  switch (c.kind) {
    case Kind::kGroupBox: {
      if (cells.rows >= 2)
        screen_.Frame(cells.row, cells.column, cells.row + cells.rows - 1, cells.column + cells.columns - 1, kDim);
      if (!c.text.empty()) screen_.Put(cells.row, cells.column + 2, " " + c.text + " ", cells.columns - 4, kBold, true);
      break;
    }
    case Kind::kStatic: {
      std::vector<std::string> lines = Wrap(c.text, cells.columns);
      for (int i = 0; i < cells.rows && i < static_cast<int>(lines.size()); ++i) {
        int indent = t.style & dialog::kCentredText ? std::max(0, (cells.columns - (int)lines[i].size()) / 2) : 0;
        screen_.Put(cells.row + i, cells.column + indent, lines[i], cells.columns, Enabled(c, kPlain), true);
      }
      break;
    }
    case Kind::kCheckBox: {
      screen_.Put(cells.row, cells.column, c.checked ? "[x]" : "[ ]", 3, Enabled(c, focused ? kReverse : kPlain));
      std::vector<std::string> lines = Wrap(c.text, std::max(1, cells.columns - 4));
      for (int i = 0; i < cells.rows && i < static_cast<int>(lines.size()); ++i)
        screen_.Put(cells.row + i, cells.column + 4, lines[i], cells.columns - 4, Enabled(c, focused ? kBold : kPlain),
                    true);
      if (focused) cursorRow_ = cells.row, cursorColumn_ = cells.column + 1;
      break;
    }
    case Kind::kEdit: {
      std::string shown = (t.style & dialog::kMasked) ? std::string(c.text.size(), '*') : c.text;
      int room = cells.columns;
      if (static_cast<int>(shown.size()) >= room) shown = shown.substr(shown.size() - (room - 1));
      int indent = (t.style & dialog::kCentred) ? std::max(0, (room - static_cast<int>(shown.size())) / 2) : 0;
      unsigned attr = focused ? kReverse : (t.style & dialog::kReadOnly ? kPlain : kUnderline);
      screen_.Fill(cells.row, cells.column, room, Enabled(c, attr));
      screen_.Put(cells.row, cells.column + indent, shown, room - indent, Enabled(c, attr));
      if (focused) cursorRow_ = cells.row, cursorColumn_ = cells.column + indent + static_cast<int>(shown.size());
      break;
    }
    case Kind::kSpin:
      screen_.Put(cells.row, cells.column, "^v", std::min(2, cells.columns), Enabled(c, kBold));
      break;
    case Kind::kDropDownList: {
      std::string item = c.selection >= 0 ? c.items[c.selection] : "";
      int room = std::max(1, cells.columns - 4);
      screen_.Put(cells.row, cells.column, "[", 1, Enabled(c, kPlain));
      screen_.Fill(cells.row, cells.column + 1, room, Enabled(c, focused ? kReverse : kUnderline));
      screen_.Put(cells.row, cells.column + 1, item, room, Enabled(c, focused ? kReverse : kUnderline));
      screen_.Put(cells.row, cells.column + 1 + room, " v]", 3, Enabled(c, kPlain));
      if (focused) cursorRow_ = cells.row, cursorColumn_ = cells.column + 1;
      break;
    }
    case Kind::kListView: {
      int bottom = cells.row + cells.rows - 1, right = cells.column + cells.columns - 1;
      screen_.Frame(cells.row, cells.column, bottom, right, Enabled(c, focused ? kBold : kPlain));
      int visible = std::max(0, cells.rows - 2);
      int first = std::max(0, c.selection - visible + 1);
      for (int i = 0; i < visible && first + i < static_cast<int>(c.items.size()); ++i) {
        bool selected = first + i == c.selection;
        unsigned attr = selected ? (focused ? kReverse : kBold) : kPlain;
        screen_.Put(cells.row + 1 + i, cells.column + 1, "\xB7 " + c.items[first + i], cells.columns - 2,
                    Enabled(c, attr));
      }
      if (focused) cursorRow_ = cells.row + 1 + std::max(0, c.selection - first), cursorColumn_ = cells.column + 1;
      break;
    }
    case Kind::kPushButton: {
      std::string label = "[ " + c.text + " ]";
      int length = static_cast<int>(dialog::WithoutMnemonic(label).size());
      int at = cells.column + std::max(0, (cells.columns - length) / 2);
      // A button of two rows is drawn on the lower one, nearer its middle.
      int line = cells.row + (cells.rows > 1 ? 1 : 0);
      screen_.Put(line, at, label, length, Enabled(c, focused ? kReverse | kBold : kBold), true);
      if (focused) cursorRow_ = line, cursorColumn_ = at + 2;
      break;
    }
    case Kind::kTabControl:
      break;
  }
}

}  // namespace terminal
