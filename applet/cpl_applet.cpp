// CPlApplet: the Control Panel entry of "Vigil 2.0".
#include <cstring>

#include "applet/cpl.h"
#include "applet/messages.h"
#include "applet/opening.h"
#include "applet/resources.h"
#include "platform/win1252.h"
#include "framework/dialog/sheet_window.h"
#include "platform/module.h"
#include "platform/message_box.h"
#include "platform/program_box.h"

namespace {

void* module = nullptr;

void CopyText(char* field, size_t size, const char* text) {
  std::strncpy(field, text, size - 1);
  field[size - 1] = '\0';
}

int ShowSheet(applet::CBaseDialog& sheet, void* parent) { return dialog::RunSheetWindow(sheet, parent, module); }

// The applet's boxes go to the console session. Where nobody answers
// there (no vigil-session listening) they are drawn over the sheet in the
// terminal; where the system cannot show them (Wine has no terminal
// services) they become the program's own boxes.
int ShowBox(const std::string& title, const std::string& text, unsigned style) {
  int answer = 0;
  if (!platform::SessionListenerPresent() &&
      dialog::ShowBoxInSheetWindow(title, text, style, applet::kSessionBoxSeconds, &answer))
    return answer;
  int32_t reply = 0;
  uint32_t error = 0;
  if (platform::SendSessionMessage(title.c_str(), text.c_str(), style, applet::kSessionBoxSeconds, true, &reply,
                                   &error))
    return reply;
  applet::DebugPrint("session box: error %u\n", error);
  answer = platform::ShowProgramBox(title.c_str(), text.c_str(), style);
  return answer != 0 ? answer : platform::kIdTimeout;
}

}  // namespace

extern "C" long CPlApplet(void* window, unsigned message, intptr_t /*lParam1*/, intptr_t lParam2) {
  using namespace applet;
  switch (message) {
    case kCplInit:
      module = platform::ModuleHandle("Vigil20.cpl");
      applet::SetBoxShower(ShowBox);
      platform::InitialiseCommonControls();
      return 1;
    case kCplGetCount:
      return 1;
    case kCplInquire:
      return 0;
    case kCplSelect:
      return 1;
    case kCplDblClk:
      RunOpeningSequence(window, ShowSheet);
      return 0;
    case kCplStop:
    case kCplExit:
      return 1;
    case kCplNewInquire: {
      auto* info = reinterpret_cast<NewCplInfo*>(lParam2);
      if (!info) return 0;
      std::memset(info, 0, sizeof *info);
      info->dwSize = sizeof *info;
      info->hIcon = platform::LoadIconResource(module, kIconResource);
      CopyText(info->szName, sizeof info->szName, "Vigil 2.0");
      CopyText(info->szInfo, sizeof info->szInfo, "Configura a Supervisão do No-Break."_w1252);
      return 0;
    }
    default:
      return 1;
  }
}
