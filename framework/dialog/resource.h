// A dialog as its resource describes it: size in dialog units, font,
// caption and controls. One description serves both renderers: the Windows
// build writes it into a real dialog resource (an .rc file for windres);
// the terminal lays it out from the same units. Texts are Windows-1252,
// with '&' before the mnemonic letter.
#pragma once

#include <cstdint>
#include <span>

namespace dialog {

enum class Kind { kGroupBox, kCheckBox, kStatic, kEdit, kSpin, kDropDownList, kListView, kPushButton, kTabControl };

// Style flags; each kind reads the ones that concern it.
enum Style : uint32_t {
  kTabStop = 1u << 0,
  kGroupStart = 1u << 1,      // first control of a group (arrow keys stay within)
  kAutoCheck = 1u << 2,       // check box: the click toggles the tick itself
  kDigitsOnly = 1u << 3,      // edit: only digits can be typed
  kReadOnly = 1u << 4,        // edit: the user cannot type
  kCentred = 1u << 5,         // edit: text centred
  kHidden = 1u << 6,          // created hidden (never shown by the pages)
  kSetBuddyInt = 1u << 7,     // spin: writes its position into its buddy
  kArrowKeys = 1u << 8,       // spin: the arrow keys move it
  kNoThousands = 1u << 9,     // spin: no thousands separator in the buddy
  kAlignRight = 1u << 10,     // spin: sits at the right of its buddy
  kSmallIcons = 1u << 11,     // list view: small-icon view
  kSortAscending = 1u << 12,  // list view: items kept in ascending order
  kDefaultButton = 1u << 13,  // push button pressed by Enter
  kBorder = 1u << 14,         // a frame around the control
  kCentredText = 1u << 15,    // static: centred
  kMasked = 1u << 16,         // edit: every character shown as '*' (a secret)
};

// A control id nobody addresses (labels, frames).
inline constexpr int kNoId = -1;

struct ControlTemplate {
  Kind kind;
  int id;
  const char* text;
  int x, y, width, height;  // dialog units within the dialog
  uint32_t style;
};

enum class Frame { kModalPopup, kChildPage };

struct DialogTemplate {
  int id;  // resource number
  Frame frame;
  const char* caption;
  int width, height;  // dialog units
  const char* font;
  int points;
  std::span<const ControlTemplate> controls;  // in tab order
};

// Dialog units of one terminal character cell: a dialog unit is a quarter
// of the font's average character width and an eighth of its height.
inline constexpr int kUnitsPerColumn = 4;
inline constexpr int kUnitsPerRow = 8;

}  // namespace dialog
