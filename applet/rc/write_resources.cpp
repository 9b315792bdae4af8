// Writes the applet's resource script, Vigil20.rc, from the dialog
// templates in applet/resources.cpp, with the bitmaps and the icon it
// names, into the folder given. A host program of the Windows build: the
// script is then compiled by windres. The script is in Windows-1252, as
// the templates' texts are.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "applet/resources.h"
#include "applet/rc/bitmaps.h"

namespace {

using dialog::ControlTemplate;
using dialog::DialogTemplate;
using dialog::Kind;

std::string Quoted(const std::string& text) {
  std::string out = "\"";
  for (char c : text) out += c == '"' ? std::string("\"\"") : std::string(1, c);
  return out + "\"";
}

std::string Flags(uint32_t style, std::initializer_list<std::pair<uint32_t, const char*>> table) {
  std::string out;
  for (const auto& [flag, name] : table)
    if (style & flag) out += std::string(" | ") + name;
  return out;
}

// The window class and style of one control.
std::pair<std::string, std::string> ClassAndStyle(const ControlTemplate& c) {
  using namespace dialog;
  std::string common = Flags(c.style, {{kTabStop, "WS_TABSTOP"}, {kGroupStart, "WS_GROUP"}, {kBorder, "WS_BORDER"}});
  if (c.style & kHidden) common += " | NOT WS_VISIBLE";
  switch (c.kind) {
    case Kind::kGroupBox:
      return {"Button", "BS_GROUPBOX" + common};
    case Kind::kCheckBox:
      return {"Button", std::string(c.style & kAutoCheck ? "BS_AUTOCHECKBOX" : "BS_CHECKBOX") +
                            (c.height > 10 ? " | BS_MULTILINE | BS_TOP" : "") + common};
    case Kind::kStatic:
      return {"Static", std::string(c.style & kCentredText ? "SS_CENTER" : "SS_LEFT") + common};
    case Kind::kEdit:
      return {"Edit", "ES_AUTOHSCROLL" +
                          Flags(c.style, {{kDigitsOnly, "ES_NUMBER"},
                                          {kReadOnly, "ES_READONLY"},
                                          {kCentred, "ES_CENTER"},
                                          {kMasked, "ES_PASSWORD"}}) +
                          common};
    case Kind::kSpin:
      return {"msctls_updown32", "0" +
                                     Flags(c.style, {{kSetBuddyInt, "UDS_SETBUDDYINT"},
                                                     {kArrowKeys, "UDS_ARROWKEYS"},
                                                     {kNoThousands, "UDS_NOTHOUSANDS"},
                                                     {kAlignRight, "UDS_ALIGNRIGHT"}}) +
                                     common};
    case Kind::kDropDownList:
      return {"ComboBox", "CBS_DROPDOWNLIST | WS_VSCROLL" + common};
    case Kind::kListView:
      return {"SysListView32",
              "LVS_SINGLESEL | LVS_SHOWSELALWAYS" +
                  Flags(c.style, {{kSmallIcons, "LVS_SMALLICON"}, {kSortAscending, "LVS_SORTASCENDING"}}) + common};
    case Kind::kPushButton:
      return {"Button", std::string(c.style & kDefaultButton ? "BS_DEFPUSHBUTTON" : "BS_PUSHBUTTON") + common};
    case Kind::kTabControl:
      return {"SysTabControl32", "0" + common};
  }
  return {"Static", "0"};
}

void WriteDialog(std::ofstream& rc, const DialogTemplate& d) {
  rc << d.id << " DIALOGEX 0, 0, " << d.width << ", " << d.height << "\n";
  if (d.frame == dialog::Frame::kModalPopup) {
    rc << "STYLE DS_SETFONT | DS_MODALFRAME | WS_POPUP | WS_CAPTION | WS_SYSMENU\n";
    rc << "CAPTION " << Quoted(d.caption) << "\n";
  } else {
    // A borderless child page that the dialog manager tabs into.
    rc << "STYLE DS_SETFONT | DS_CONTROL | WS_CHILD\n";
  }
  rc << "FONT " << d.points << ", " << Quoted(d.font) << "\nBEGIN\n";
  for (const ControlTemplate& c : d.controls) {
    auto [windowClass, style] = ClassAndStyle(c);
    rc << "  CONTROL " << Quoted(c.text ? c.text : "") << ", " << c.id << ", " << Quoted(windowClass) << ", " << style
       << ", " << c.x << ", " << c.y << ", " << c.width << ", " << c.height << "\n";
  }
  rc << "END\n\n";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: write_resources FOLDER\n");
    return 2;
  }
  std::string folder = argv[1];
  std::ofstream rc(folder + "/Vigil20.rc", std::ios::binary);
  rc << "// Written by applet/rc/write_resources from applet/resources.cpp.\n"
        "#include <windows.h>\n#include <commctrl.h>\n#pragma code_page(1252)\n"
        "LANGUAGE LANG_PORTUGUESE, SUBLANG_PORTUGUESE_BRAZILIAN\n\n";
  // The pictures by their full names: windres reads them from where it runs.
  rc << applet::kIconResource << " ICON " << Quoted(folder + "/vigil.ico") << "\n";
  rc << applet::kServerImagesBitmap << " BITMAP " << Quoted(folder + "/servers.bmp") << "\n";
  rc << applet::kBannerBitmap << " BITMAP " << Quoted(folder + "/banner.bmp") << "\n";
  rc << applet::kBannerMaskBitmap << " BITMAP " << Quoted(folder + "/banner_mask.bmp") << "\n\n";
  for (const DialogTemplate* d : applet::kAllDialogs) WriteDialog(rc, *d);
  bool written = rc.good() && rc_bitmaps::WriteAll(folder);
  rc.close();
  if (!written || !rc) {
    std::fprintf(stderr, "write_resources: cannot write into %s\n", folder.c_str());
    return 1;
  }
  return 0;
}
