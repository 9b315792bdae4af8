#include "framework/dialog/control.h"

#include "platform/win1252.h"

namespace dialog {

bool Control::Focusable() const {
  if (!shown || !enabled) return false;
  switch (kind) {
    case Kind::kGroupBox:
    case Kind::kStatic:
      return false;
    case Kind::kSpin:
      // A spin with a buddy is worked through its buddy.
      return buddy == kNoId;
    default:
      return true;
  }
}

char MnemonicOf(const std::string& text) {
  for (size_t i = 0; i + 1 < text.size(); ++i) {
    if (text[i] != '&') continue;
    if (text[i + 1] == '&') {
      ++i;
      continue;
    }
    return static_cast<char>(win1252::ToUpper(static_cast<uint8_t>(text[i + 1])));
  }
  return 0;
}

std::string WithoutMnemonic(const std::string& text) {
  std::string plain;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '&' && i + 1 < text.size()) ++i;
    plain += text[i];
  }
  return plain;
}

}  // namespace dialog
