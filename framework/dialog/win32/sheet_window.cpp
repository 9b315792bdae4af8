// The sheet as real Windows dialogs: the sheet from its dialog resource
// with the tab control, each page a child dialog of the tab control made
// from its own resource. The model and the controls are kept equal both
// ways: the model's changes are pushed into the controls (as the view of
// every dialog), and the user's changes are copied into the model before
// the page hears of them. The sheet runs its own modal loop, in which the
// sheet's keyboard rules come before the dialog manager.
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>

#include <map>
#include <string>
#include <vector>

#include "framework/dialog/sheet_window.h"

namespace dialog {
// The window and its message loop are the system's.
using namespace platform;

namespace {

using dialog::CDialog;
using dialog::Control;
using dialog::Kind;

std::string WindowText(HWND window) {
  char text[1024];
  int n = GetWindowTextA(window, text, sizeof text);
  return std::string(text, n > 0 ? static_cast<size_t>(n) : 0);
}

std::string ClassOf(HWND window) {
  char name[64] = "";
  GetClassNameA(window, name, sizeof name);
  return name;
}

class Win32Sheet : public dialog::DialogHost, public dialog::DialogView {
 public:
  Win32Sheet(dialog::CTabSheet& sheet, HINSTANCE module) : sheet_(sheet), module_(module) {}

  int Run(HWND parent) {
    HWND made = CreateDialogParamA(module_, MAKEINTRESOURCEA(sheet_.Resource().id), parent, SheetProc,
                                   reinterpret_cast<LPARAM>(this));
    if (!made) return -1;
    if (parent) EnableWindow(parent, FALSE);
    ShowWindow(window_, SW_SHOW);
    MSG msg;
    while (!sheet_.Ended()) {
      BOOL got = GetMessageA(&msg, nullptr, 0, 0);
      if (got == 0) {
        // The thread is ending: leave the quit for the loop outside.
        PostQuitMessage(static_cast<int>(msg.wParam));
        break;
      }
      if (got < 0) break;
      if (PreTranslate(msg)) continue;
      HWND owner = DialogOf(msg.hwnd);
      if (owner && IsDialogMessageA(owner, &msg)) continue;
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
    if (parent) EnableWindow(parent, TRUE);
    for (auto& [page, window] : windows_)
      if (page != &sheet_) const_cast<CDialog*>(page)->SetView(nullptr);
    sheet_.SetView(nullptr);
    DestroyWindow(window_);
    if (banner_) DeleteObject(banner_);
    if (bannerMask_) DeleteObject(bannerMask_);
    return sheet_.Ended() ? sheet_.Result() : 2;
  }

  // ---- dialog::DialogHost ----
  void SetTimer(CDialog* owner, int id, int ms) override {
    if (HWND w = WindowOf(owner)) ::SetTimer(w, static_cast<UINT_PTR>(id), static_cast<UINT>(ms), nullptr);
  }
  void KillTimer(CDialog* owner, int id) override {
    if (HWND w = WindowOf(owner)) ::KillTimer(w, static_cast<UINT_PTR>(id));
  }
  int ShowMessageBox(CDialog* owner, const std::string& text, const std::string& caption, unsigned style) override {
    HWND w = WindowOf(owner);
    return MessageBoxA(w ? w : window_, text.c_str(), caption.c_str(), style);
  }
  bool ChooseFile(CDialog* owner, const dialog::FileOpenRequest& request, std::string* path) override {
    std::string filter;
    for (const dialog::FileFilter& f : request.filters) filter += f.label + '\0' + f.patterns + '\0';
    filter += '\0';
    char file[MAX_PATH] = "";
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = WindowOf(owner);
    ofn.lpstrFilter = filter.c_str();
    ofn.lpstrFile = file;
    ofn.nMaxFile = sizeof file;
    ofn.Flags =
        (request.hideReadOnly ? OFN_HIDEREADONLY : 0) | (request.mustExist ? OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST : 0);
    if (!GetOpenFileNameA(&ofn)) return false;
    *path = file;
    return true;
  }

  // ---- dialog::DialogView ----
  void ControlChanged(const CDialog& dialog, int id) override { Push(dialog, id); }
  void VisibilityChanged(const CDialog& dialog) override {
    if (HWND w = WindowOf(&dialog)) ShowWindow(w, dialog.Visible() ? SW_SHOW : SW_HIDE);
  }
  void PageAdded(CDialog&, CDialog& page) override {
    HWND tab = GetDlgItem(window_, sheet_.TabControl());
    creating_ = &page;
    HWND w = CreateDialogParamA(module_, MAKEINTRESOURCEA(page.Resource().id), tab, PageProc,
                                reinterpret_cast<LPARAM>(this));
    creating_ = nullptr;
    if (!w) return;
    // A page is found by its resource number among the tab control's
    // children.
    SetWindowLongPtrA(w, GWLP_ID, page.Resource().id);
    RECT r;
    GetClientRect(tab, &r);
    r.left += 8;
    r.right -= 8;
    r.top += 18;
    r.bottom -= 18;
    OffsetRect(&r, -4, 5);
    SetWindowPos(w, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOZORDER | SWP_NOACTIVATE);
    windows_[&page] = w;
    page.SetView(this);
  }

 private:
  HWND WindowOf(const CDialog* dialog) const {
    auto found = windows_.find(dialog);
    return found == windows_.end() ? nullptr : found->second;
  }
  CDialog* ModelOf(HWND window) const {
    for (const auto& [dialog, w] : windows_)
      if (w == window) return const_cast<CDialog*>(dialog);
    return nullptr;
  }
  HWND CurrentPageWindow() const { return WindowOf(sheet_.CurrentPage()); }

  // The dialog whose dialog manager handles a message for `target`.
  HWND DialogOf(HWND target) const {
    HWND page = CurrentPageWindow();
    if (page && (target == page || IsChild(page, target))) return page;
    if (target == window_ || IsChild(window_, target)) return window_;
    return nullptr;
  }

  void ApplyModelFocus() {
    auto focus = sheet_.CurrentFocus();
    if (HWND w = WindowOf(focus.dialog))
      if (HWND item = GetDlgItem(w, focus.id)) ::SetFocus(item);
  }

  static bool DroppedCombo(HWND focus) {
    HWND combo = ClassOf(focus) == "ComboBox" ? focus : GetParent(focus);
    return ClassOf(combo) == "ComboBox" && SendMessageA(combo, CB_GETDROPPEDSTATE, 0, 0);
  }

  bool PreTranslate(const MSG& msg) {
    if (msg.hwnd != window_ && !IsChild(window_, msg.hwnd)) return false;
    if (msg.message == WM_SYSKEYDOWN && (msg.lParam & (1 << 29))) {
      WPARAM vk = msg.wParam;
      if ((vk >= '0' && vk <= '9') || (vk >= 'A' && vk <= 'Z')) {
        if (sheet_.PreTranslateKey(dialog::CharKey(static_cast<char>(vk), true))) {
          ApplyModelFocus();
          return true;
        }
      }
      return false;
    }
    if (msg.message != WM_KEYDOWN) return false;
    HWND focus = GetFocus();
    HWND page = CurrentPageWindow();
    HWND tab = GetDlgItem(window_, sheet_.TabControl());
    bool shift = GetKeyState(VK_SHIFT) < 0;
    switch (msg.wParam) {
      case VK_TAB: {
        if (shift || !page) return false;
        if (focus == tab) {
          if (HWND first = GetNextDlgTabItem(page, nullptr, FALSE)) ::SetFocus(first);
          return true;
        }
        HWND last = GetNextDlgTabItem(page, nullptr, TRUE);
        if (focus && last && (focus == last || IsChild(last, focus))) {
          ::SetFocus(GetDlgItem(window_, sheet_.ApplyButton()));
          return true;
        }
        return false;
      }
      case VK_RETURN:
        if (DroppedCombo(focus)) return false;
        if (page && IsChild(page, focus) && ClassOf(focus) == "Button" &&
            (GetWindowLongA(focus, GWL_STYLE) & BS_TYPEMASK) <= BS_DEFPUSHBUTTON) {
          SendMessageA(focus, BM_CLICK, 0, 0);
          return true;
        }
        sheet_.Click(focus == GetDlgItem(window_, sheet_.CancelButton()) ? sheet_.CancelButton()
                                                                         : sheet_.ApplyButton());
        return true;
      case VK_ESCAPE:
        if (DroppedCombo(focus)) return false;
        sheet_.Click(sheet_.CancelButton());
        return true;
      default:
        return false;
    }
  }

  // Copies the model's state of control `id` into the real control.
  void Push(const CDialog& dialog, int id) {
    HWND w = WindowOf(&dialog);
    if (!w) return;
    if (id == dialog::kNoId) {
      SetWindowTextA(w, dialog.Caption().c_str());
      return;
    }
    HWND item = GetDlgItem(w, id);
    if (!item) return;
    const Control& c = dialog.Item(id);
    syncing_ = true;
    switch (c.kind) {
      case Kind::kCheckBox:
        SendMessageA(item, BM_SETCHECK, c.checked ? BST_CHECKED : BST_UNCHECKED, 0);
        [[fallthrough]];
      case Kind::kGroupBox:
      case Kind::kStatic:
      case Kind::kPushButton:
      case Kind::kEdit:
        if (c.kind == Kind::kEdit && c.limit > 0) SendMessageA(item, EM_LIMITTEXT, c.limit, 0);
        if (WindowText(item) != c.text) SetWindowTextA(item, c.text.c_str());
        break;
      case Kind::kSpin: {
        if (c.buddy != dialog::kNoId)
          SendMessageA(item, UDM_SETBUDDY, reinterpret_cast<WPARAM>(GetDlgItem(w, c.buddy)), 0);
        SendMessageA(item, UDM_SETRANGE32, static_cast<WPARAM>(c.low), static_cast<LPARAM>(c.high));
        std::vector<UDACCEL> accel;
        for (const dialog::SpinAccel& a : c.accel)
          accel.push_back({static_cast<UINT>(a.seconds), static_cast<UINT>(a.increment)});
        if (!accel.empty()) SendMessageA(item, UDM_SETACCEL, accel.size(), reinterpret_cast<LPARAM>(accel.data()));
        SendMessageA(item, UDM_SETPOS32, 0, c.position);
        break;
      }
      case Kind::kDropDownList:
        if (SendMessageA(item, CB_GETCOUNT, 0, 0) != static_cast<LRESULT>(c.items.size())) {
          SendMessageA(item, CB_RESETCONTENT, 0, 0);
          for (const std::string& text : c.items)
            SendMessageA(item, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
        }
        SendMessageA(item, CB_SETCURSEL, static_cast<WPARAM>(c.selection), 0);
        break;
      case Kind::kListView:
        PushListView(item, c);
        break;
      case Kind::kTabControl: {
        int count = static_cast<int>(SendMessageA(item, TCM_GETITEMCOUNT, 0, 0));
        for (int i = count; i < static_cast<int>(c.tabs.size()); ++i) {
          TCITEMA tabItem{};
          tabItem.mask = TCIF_TEXT;
          tabItem.pszText = const_cast<char*>(c.tabs[i].c_str());
          SendMessageA(item, TCM_INSERTITEMA, i, reinterpret_cast<LPARAM>(&tabItem));
        }
        if (c.selection >= 0) SendMessageA(item, TCM_SETCURSEL, c.selection, 0);
        break;
      }
    }
    EnableWindow(item, c.enabled);
    ShowWindow(item, c.shown ? SW_SHOWNA : SW_HIDE);
    syncing_ = false;
  }

  void PushListView(HWND list, const Control& c) {
    if (!c.columnTitle.empty() && !columns_[list]) {
      HIMAGELIST images = ImageList_LoadImageA(module_, MAKEINTRESOURCEA(144), 16, 1, RGB(255, 255, 255), IMAGE_BITMAP,
                                               LR_CREATEDIBSECTION);
      if (images) SendMessageA(list, LVM_SETIMAGELIST, LVSIL_SMALL, reinterpret_cast<LPARAM>(images));
      LVCOLUMNA column{};
      column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
      column.fmt = LVCFMT_LEFT;
      column.cx = c.columnWidth;
      column.pszText = const_cast<char*>(c.columnTitle.c_str());
      SendMessageA(list, LVM_INSERTCOLUMNA, 0, reinterpret_cast<LPARAM>(&column));
      columns_[list] = true;
    }
    if (SendMessageA(list, LVM_GETITEMCOUNT, 0, 0) == static_cast<LRESULT>(c.items.size())) return;
    SendMessageA(list, LVM_DELETEALLITEMS, 0, 0);
    for (size_t i = 0; i < c.items.size(); ++i) {
      LVITEMA row{};
      row.mask = LVIF_TEXT | LVIF_IMAGE;
      row.iItem = static_cast<int>(i);
      row.iImage = 0;
      row.pszText = const_cast<char*>(c.items[i].c_str());
      SendMessageA(list, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&row));
    }
  }

  void PaintBackground(HDC dc) {
    RECT client;
    GetClientRect(window_, &client);
    FillRect(dc, &client, GetSysColorBrush(COLOR_MENU));
    if (!banner_) banner_ = LoadBitmapA(module_, MAKEINTRESOURCEA(155));
    if (!bannerMask_) bannerMask_ = LoadBitmapA(module_, MAKEINTRESOURCEA(156));
    if (!banner_ || !bannerMask_) return;
    HDC image = CreateCompatibleDC(dc);
    HDC mask = CreateCompatibleDC(dc);
    HGDIOBJ oldImage = SelectObject(image, banner_);
    HGDIOBJ oldMask = SelectObject(mask, bannerMask_);
    // The image where the mask is black, the background where it is white.
    BitBlt(dc, 14, 1, 102, 40, image, 0, 0, SRCINVERT);
    BitBlt(dc, 14, 1, 102, 40, mask, 0, 0, SRCAND);
    BitBlt(dc, 14, 1, 102, 40, image, 0, 0, SRCINVERT);
    SelectObject(image, oldImage);
    SelectObject(mask, oldMask);
    DeleteDC(image);
    DeleteDC(mask);
  }

  INT_PTR OnSheetMessage(HWND w, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
      case WM_INITDIALOG:
        window_ = w;
        windows_[&sheet_] = w;
        sheet_.SetView(this);
        sheet_.Create(this);
        ApplyModelFocus();
        return FALSE;
      case WM_COMMAND: {
        int id = LOWORD(wParam);
        if ((id == sheet_.ApplyButton() || id == sheet_.CancelButton()) && HIWORD(wParam) == BN_CLICKED)
          sheet_.Click(id);
        return TRUE;
      }
      case WM_CLOSE:
        sheet_.Click(sheet_.CancelButton());
        return TRUE;
      case WM_NOTIFY: {
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        if (static_cast<int>(header->idFrom) == sheet_.TabControl() && header->code == TCN_SELCHANGE) {
          sheet_.Mutable(sheet_.TabControl())->selection =
              static_cast<int>(SendMessageA(header->hwndFrom, TCM_GETCURSEL, 0, 0));
          sheet_.OnTabChange();
          ApplyModelFocus();
        }
        return TRUE;
      }
      case WM_ERASEBKGND:
        PaintBackground(reinterpret_cast<HDC>(wParam));
        SetWindowLongPtrA(w, DWLP_MSGRESULT, TRUE);
        return TRUE;
      default:
        return FALSE;
    }
  }

  INT_PTR OnPageMessage(HWND w, UINT message, WPARAM wParam, LPARAM lParam) {
    CDialog* page = ModelOf(w);
    if (!page) return FALSE;
    switch (message) {
      case WM_COMMAND: {
        if (syncing_) return TRUE;
        int id = LOWORD(wParam);
        Control* c = page->Mutable(id);
        if (!c) return FALSE;
        HWND item = reinterpret_cast<HWND>(lParam);
        switch (HIWORD(wParam)) {
          case BN_CLICKED:
            if (c->kind == Kind::kCheckBox) c->checked = SendMessageA(item, BM_GETCHECK, 0, 0) == BST_CHECKED;
            if (c->kind == Kind::kCheckBox || c->kind == Kind::kPushButton) page->OnClicked(id);
            break;
          case EN_CHANGE:
            c->text = WindowText(item);
            page->OnEditChange(id);
            break;
          case CBN_SELCHANGE:
            c->selection = static_cast<int>(SendMessageA(item, CB_GETCURSEL, 0, 0));
            page->OnSelChange(id);
            break;
          default:
            break;
        }
        return TRUE;
      }
      case WM_VSCROLL:
      case WM_HSCROLL: {
        HWND spin = reinterpret_cast<HWND>(lParam);
        if (Control* c = spin ? page->Mutable(GetDlgCtrlID(spin)) : nullptr)
          if (c->kind == Kind::kSpin) c->position = static_cast<int>(SendMessageA(spin, UDM_GETPOS32, 0, 0));
        return TRUE;
      }
      case WM_NOTIFY: {
        auto* header = reinterpret_cast<NMHDR*>(lParam);
        Control* c = page->Mutable(static_cast<int>(header->idFrom));
        if (c && c->kind == Kind::kListView && header->code == NM_DBLCLK) {
          // The item under the mouse where the double click was.
          DWORD at = GetMessagePos();
          LVHITTESTINFO hit{};
          hit.pt = {static_cast<short>(LOWORD(at)), static_cast<short>(HIWORD(at))};
          ScreenToClient(header->hwndFrom, &hit.pt);
          int index = static_cast<int>(SendMessageA(header->hwndFrom, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)));
          int row = -1;
          if (index >= 0) {
            char text[256] = "";
            LVITEMA item{};
            item.iSubItem = 0;
            item.pszText = text;
            item.cchTextMax = sizeof text;
            SendMessageA(header->hwndFrom, LVM_GETITEMTEXTA, index, reinterpret_cast<LPARAM>(&item));
            for (size_t i = 0; i < c->items.size(); ++i)
              if (c->items[i] == text) row = static_cast<int>(i);
          }
          page->OnListDoubleClick(c->id, row);
        }
        return TRUE;
      }
      case WM_TIMER:
        page->OnTimer(static_cast<int>(wParam));
        return TRUE;
      default:
        return FALSE;
    }
  }

  static INT_PTR CALLBACK SheetProc(HWND w, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) SetWindowLongPtrA(w, GWLP_USERDATA, lParam);
    auto* self = reinterpret_cast<Win32Sheet*>(GetWindowLongPtrA(w, GWLP_USERDATA));
    return self ? self->OnSheetMessage(w, message, wParam, lParam) : FALSE;
  }

  static INT_PTR CALLBACK PageProc(HWND w, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
      SetWindowLongPtrA(w, GWLP_USERDATA, lParam);
      auto* self = reinterpret_cast<Win32Sheet*>(lParam);
      // The page being made is known from here on, before its creation
      // returns.
      if (self->creating_) self->windows_[self->creating_] = w;
      return FALSE;
    }
    auto* self = reinterpret_cast<Win32Sheet*>(GetWindowLongPtrA(w, GWLP_USERDATA));
    return self ? self->OnPageMessage(w, message, wParam, lParam) : FALSE;
  }

  dialog::CTabSheet& sheet_;
  HINSTANCE module_;
  HWND window_ = nullptr;
  std::map<const CDialog*, HWND> windows_;
  std::map<HWND, bool> columns_;
  CDialog* creating_ = nullptr;
  bool syncing_ = false;
  HBITMAP banner_ = nullptr, bannerMask_ = nullptr;
};

}  // namespace

int RunSheetWindow(dialog::CTabSheet& sheet, void* parent, void* module) {
  Win32Sheet window(sheet, static_cast<HINSTANCE>(module));
  return window.Run(static_cast<HWND>(parent));
}

bool ShowBoxInSheetWindow(const std::string&, const std::string&, unsigned, int, int*) {
  // Windows shows every box itself.
  return false;
}

}  // namespace dialog
