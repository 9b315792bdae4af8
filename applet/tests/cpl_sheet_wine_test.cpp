// Vigil20.cpl as Control Panel uses it, on Windows (under Wine, with a real
// display): loaded, asked for its applet, opened; the sheet is then driven
// from a second thread through its controls by id, as a person at the
// mouse would: a tab picked, a box ticked, Apply clicked and confirmed.
// The setting is then read back from the registry, and a picture of the
// sheet is kept beside the build.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/win1252.h"
#include "tests/support/test_host.h"

namespace {

struct NewCplInfo {
  DWORD dwSize, dwFlags, dwHelpContext;
  LONG_PTR lData;
  HICON hIcon;
  char szName[32], szInfo[64], szHelpFile[128];
};
using CplEntry = LONG(APIENTRY*)(HWND, UINT, LPARAM, LPARAM);

const char* const kSheetTitle = "Vigil 2.0 - Configurações da Supervisão do No-Break"_w1252;
const char* const kBoxTitle = "Configurações da Supervisão do NoBreak"_w1252;

// Waits for a top-level window of this process with `title` (and `windowClass`).
HWND WaitForWindow(const char* windowClass, const char* title, int timeoutMs) {
  auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (std::chrono::steady_clock::now() < end) {
    if (HWND w = FindWindowA(windowClass, title))
      if (IsWindowVisible(w)) return w;
    Sleep(50);
  }
  return nullptr;
}

std::string BoxText(HWND box) {
  // The text of a message box is its static control 0xFFFF.
  char text[1024] = "";
  GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
  return text;
}

// A picture of `window` as a 24-bit .bmp.
bool SaveWindowPicture(HWND window, const std::string& path) {
  RECT r;
  if (!GetWindowRect(window, &r)) return false;
  int width = r.right - r.left, height = r.bottom - r.top;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP picture = CreateCompatibleBitmap(screen, width, height);
  HGDIOBJ old = SelectObject(memory, picture);
  BOOL drawn = BitBlt(memory, 0, 0, width, height, screen, r.left, r.top, SRCCOPY);
  SelectObject(memory, old);
  BITMAPINFOHEADER info{};
  info.biSize = sizeof info;
  info.biWidth = width;
  info.biHeight = height;
  info.biPlanes = 1;
  info.biBitCount = 24;
  int rowBytes = (width * 3 + 3) & ~3;
  std::vector<char> pixels(static_cast<size_t>(rowBytes) * height);
  int rows = GetDIBits(memory, picture, 0, height, pixels.data(), reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
  DeleteObject(picture);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  if (!drawn || rows != height) return false;
  BITMAPFILEHEADER file{};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof info;
  file.bfSize = file.bfOffBits + static_cast<DWORD>(pixels.size());
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(&file), sizeof file);
  out.write(reinterpret_cast<const char*>(&info), sizeof info);
  out.write(pixels.data(), static_cast<std::streamsize>(pixels.size()));
  return static_cast<bool>(out);
}

struct Driven {
  std::atomic<bool> done{false};
  std::vector<std::string> problems;
  bool withoutBypassTicked = false, withBypassCleared = false, invertDisabled = false, pageShown = false;
  bool keyMasked = false;
  std::string keyText;
  std::string confirmation;
  bool pictureSaved = false;
};

void Drive(Driven* d, const std::string& picture) {
  HWND sheet = WaitForWindow("#32770", kSheetTitle, 30000);
  if (!sheet) {
    d->problems.push_back("the sheet did not open");
    d->done = true;
    return;
  }
  HWND tab = GetDlgItem(sheet, 1045);
  // The third tab, "Opções de &Rede": the network key's edit is a password
  // edit that holds the key loaded.
  SendMessageA(tab, TCM_SETCURSEL, 2, 0);
  NMHDR toNetwork{tab, 1045, static_cast<UINT>(TCN_SELCHANGE)};
  SendMessageA(sheet, WM_NOTIFY, 1045, reinterpret_cast<LPARAM>(&toNetwork));
  HWND keyEdit = GetDlgItem(GetDlgItem(tab, 145), 1070);
  d->keyMasked = keyEdit && (GetWindowLongA(keyEdit, GWL_STYLE) & ES_PASSWORD) != 0 &&
                 SendMessageA(keyEdit, EM_GETPASSWORDCHAR, 0, 0) != 0;
  char keyText[64] = "";
  if (keyEdit) GetWindowTextA(keyEdit, keyText, sizeof keyText);
  d->keyText = keyText;
  // The fourth tab, "Opções de Cone&xão", picked as a click on it tells it.
  SendMessageA(tab, TCM_SETCURSEL, 3, 0);
  NMHDR change{tab, 1045, static_cast<UINT>(TCN_SELCHANGE)};
  SendMessageA(sheet, WM_NOTIFY, 1045, reinterpret_cast<LPARAM>(&change));
  HWND page = GetDlgItem(tab, 147);
  d->pageShown = page && IsWindowVisible(page);
  SendMessageA(GetDlgItem(page, 1039), BM_CLICK, 0, 0);
  d->withoutBypassTicked = SendMessageA(GetDlgItem(page, 1039), BM_GETCHECK, 0, 0) == BST_CHECKED;
  d->withBypassCleared = SendMessageA(GetDlgItem(page, 1040), BM_GETCHECK, 0, 0) == BST_UNCHECKED;
  d->invertDisabled = !IsWindowEnabled(GetDlgItem(page, 1058));
  RedrawWindow(sheet, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  Sleep(300);
  d->pictureSaved = SaveWindowPicture(sheet, picture);

  // Apply asks first; the box is answered Yes.
  PostMessageA(GetDlgItem(sheet, 1), BM_CLICK, 0, 0);
  HWND box = WaitForWindow("#32770", kBoxTitle, 20000);
  if (!box) {
    d->problems.push_back("no confirmation box");
    PostMessageA(sheet, WM_CLOSE, 0, 0);
    d->done = true;
    return;
  }
  d->confirmation = BoxText(box);
  PostMessageA(box, WM_COMMAND, IDYES, 0);
  // Whatever comes after the sheet (the offer to start the program) is
  // answered No.
  for (int i = 0; i < 100 && !d->done; ++i) {
    HWND next = FindWindowA("#32770", kBoxTitle);
    if (next && next != box && IsWindowVisible(next)) PostMessageA(next, WM_COMMAND, IDNO, 0);
    Sleep(100);
  }
}

TEST(ControlPanelSheet, OpensAsARealSheetAndAppliesATickedBoxToTheRegistry) {
  TestHost host;
  // A settings key, so that the sheet opens without the defaults warning.
  HKEY key;
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Tessaly\\Vigil 2.0", 0, nullptr, 0, KEY_WRITE, nullptr,
                            &key, nullptr),
            ERROR_SUCCESS);
  DWORD one = 1;
  RegSetValueExA(key, "Tipo Cabo", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one), sizeof one);
  RegCloseKey(key);
  ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "Software\\Tessaly\\Vigil 2.0\\Seguranca", 0, nullptr, 0, KEY_WRITE,
                            nullptr, &key, nullptr),
            ERROR_SUCCESS);
  RegSetValueExA(key, "Net Key", 0, REG_SZ, reinterpret_cast<const BYTE*>("segredo"), 8);
  RegCloseKey(key);

  HMODULE library = LoadLibraryA(NativePath(VIGIL20_CPL).c_str());
  ASSERT_NE(library, nullptr) << GetLastError();
  auto entry = reinterpret_cast<CplEntry>(reinterpret_cast<void*>(GetProcAddress(library, "CPlApplet")));
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry(nullptr, 1, 0, 0), 1);  // CPL_INIT
  EXPECT_EQ(entry(nullptr, 2, 0, 0), 1);  // CPL_GETCOUNT
  NewCplInfo info{};
  EXPECT_EQ(entry(nullptr, 8, 0, reinterpret_cast<LPARAM>(&info)), 0);  // CPL_NEWINQUIRE
  EXPECT_EQ(std::string(info.szName), "Vigil 2.0");
  EXPECT_EQ(std::string(info.szInfo), "Configura a Supervisão do No-Break."_w1252);
  EXPECT_NE(info.hIcon, nullptr) << "icon 138";

  Driven driven;
  std::thread driver(Drive, &driven, NativePath(SHEET_PICTURE));
  EXPECT_EQ(entry(nullptr, 5, 0, 0), 0);  // CPL_DBLCLK: returns once the sheet has ended
  driven.done = true;
  driver.join();
  entry(nullptr, 7, 0, 0);
  FreeLibrary(library);

  EXPECT_TRUE(driven.problems.empty()) << driven.problems.front();
  EXPECT_TRUE(driven.pageShown);
  EXPECT_TRUE(driven.withoutBypassTicked);
  EXPECT_TRUE(driven.withBypassCleared) << "the pair excludes each other";
  EXPECT_TRUE(driven.invertDisabled);
  EXPECT_TRUE(driven.keyMasked);
  EXPECT_EQ(driven.keyText, "segredo");
  EXPECT_EQ(driven.confirmation, "Fechar esta janela e salvar as alterações?"_w1252);
  EXPECT_TRUE(driven.pictureSaved);

  DWORD value = 99, size = sizeof value, type = 0;
  ASSERT_EQ(RegGetValueA(HKEY_LOCAL_MACHINE, "Software\\Tessaly\\Vigil 2.0", "Tipo Cabo", RRF_RT_REG_DWORD, &type,
                         &value, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(value, 0u);
  DWORD events = 0;
  size = sizeof events;
  EXPECT_EQ(RegGetValueA(HKEY_LOCAL_MACHINE, "Software\\Tessaly\\Vigil 2.0\\Snmp Agent", "Max Events",
                         RRF_RT_REG_DWORD, &type, &events, &size),
            ERROR_SUCCESS)
      << "every setting is saved";
  EXPECT_EQ(events, 100u);
  char netKey[64] = "";
  size = sizeof netKey;
  EXPECT_EQ(RegGetValueA(HKEY_LOCAL_MACHINE, "Software\\Tessaly\\Vigil 2.0\\Seguranca", "Net Key", RRF_RT_REG_SZ,
                         &type, netKey, &size),
            ERROR_SUCCESS);
  EXPECT_STREQ(netKey, "segredo");
}

}  // namespace
