// Draws a sheet of the dialog model on the terminal, laid out from its
// dialog units: a character cell is 4 units wide and 8 high, so the sheet
// of 294 by 214 units takes 74 columns and 27 rows. Pages sit inside the
// tab control's frame, under the tab strip.
#pragma once

#include "framework/dialog/tab_sheet.h"
#include "framework/dialog/terminal/screen.h"

namespace terminal {

struct Cells {
  int row, column, rows, columns;
};

// The cells of a rectangle of dialog units placed at (row, column).
Cells CellsOf(int row, int column, int x, int y, int width, int height);

class SheetView {
 public:
  SheetView(Screen& screen, dialog::CTabSheet& sheet) : screen_(screen), sheet_(sheet) {}

  int NeededColumns() const;
  int NeededRows() const;
  bool Fits() const;
  // The whole screen: the sheet, or the "too small" notice.
  void Draw();

 private:
  void DrawPage(const dialog::CDialog& page, int row, int column);
  void DrawControl(const dialog::CDialog& owner, const dialog::Control& c, int row, int column);
  void DrawTabs(const dialog::Control& tabs, const Cells& cells);
  bool Focused(const dialog::CDialog& owner, int id) const;

  Screen& screen_;
  dialog::CTabSheet& sheet_;
  int cursorRow_ = -1, cursorColumn_ = -1;
};

}  // namespace terminal
