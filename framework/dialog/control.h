// The live state of one control of a dialog: what the pages read and change,
// and what a renderer shows. Built from its template; every kind keeps the
// common states (text, tick, enabled, shown) and its own extras.
#pragma once

#include <string>
#include <vector>

#include "framework/dialog/resource.h"

namespace dialog {

// A spin's acceleration step: from `seconds` of holding an arrow on, each
// step moves by `increment`.
struct SpinAccel {
  int seconds;
  int increment;
};

struct Control {
  explicit Control(const ControlTemplate& t)
      : source(&t), kind(t.kind), id(t.id), text(t.text ? t.text : ""), shown((t.style & kHidden) == 0) {}

  bool Has(uint32_t style) const { return (source->style & style) != 0; }
  // Takes the focus and user input: shown, enabled, and not a mere label.
  bool Focusable() const;

  const ControlTemplate* source;
  Kind kind;
  int id;
  std::string text;  // Windows-1252
  bool checked = false;
  bool enabled = true;
  bool shown = true;
  // Edit: the most characters a user can type or paste; 0 for no limit.
  size_t limit = 0;

  // Spin.
  int low = 0, high = 100, position = 0;
  int buddy = kNoId;
  std::vector<SpinAccel> accel;

  // Drop-down list: its items; list view: its rows (sorted when the style
  // says so). `selection` is -1 for none.
  std::vector<std::string> items;
  int selection = -1;

  // List view: its one column.
  std::string columnTitle;
  int columnWidth = 0;  // pixels

  // Tab control: the labels of its tabs; `selection` is the current tab.
  std::vector<std::string> tabs;
};

// The letter after the single '&' of `text` in upper case, 0 when none.
char MnemonicOf(const std::string& text);
// `text` without its mnemonic marks ("&&" stays one '&').
std::string WithoutMnemonic(const std::string& text);

}  // namespace dialog
