// The main window: list of entries, check box, Insert button, status bar and
// the tray icon.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include "app/message_box.h"
#include "app/event_queue.h"
#include "app/shell_win32.h"
#include "mainwindow/main_window.h"

namespace gw {

namespace {

constexpr wchar_t kMainClass[] = L"GlyphwellMain";

constexpr UINT kTrayId = 1;

HFONT MessageFont() {
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = sizeof(metrics);
  if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0))
    return CreateFontIndirectW(&metrics.lfMessageFont);
  return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

HWND Child(const wchar_t* cls, const Text& text, DWORD style, DWORD ex_style, int id, int x,
           int y, int w, int h, HFONT font) {
  HWND hwnd = CreateWindowExW(ex_style, cls, W(text), WS_CHILD | WS_VISIBLE | style, ScaleX(x),
                              ScaleY(y), ScaleX(w), ScaleY(h), App().main_window,
                              reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), App().instance,
                              nullptr);
  if (hwnd && font) SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
  return hwnd;
}

void FillList() {
  AppState& app = App();
  SendMessageW(app.list, WM_SETREDRAW, FALSE, 0);
  ListView_DeleteAllItems(app.list);
  const int count = app.table.RowCount();
  ListView_SetItemCount(app.list, count);
  for (int row = 0; row < count; ++row) {
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = row;
    Text trigger = app.table.Column(row, 0);
    item.pszText = const_cast<wchar_t*>(W(trigger));
    ListView_InsertItem(app.list, &item);
    for (int col = 1; col < 4; ++col) {
      Text text = app.table.Column(row, col);
      ListView_SetItemText(app.list, row, col, const_cast<wchar_t*>(W(text)));
    }
  }
  SendMessageW(app.list, WM_SETREDRAW, TRUE, 0);
}

}  // namespace

int ScaleX(int units) { return MulDiv(units, App().dpi_x, 96); }
int ScaleY(int units) { return MulDiv(units, App().dpi_y, 96); }

void CreateMainWindow() {
  AppState& app = App();
  INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);

  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = MainWindowProc;
  wc.hInstance = app.instance;
  wc.hIcon = LoadIconW(app.instance, MAKEINTRESOURCEW(1));
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kMainClass;
  RegisterClassExW(&wc);

  const DWORD style = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
  RECT rect{0, 0, ScaleX(530), ScaleY(452)};
  AdjustWindowRectEx(&rect, style, FALSE, 0);
  int width = rect.right - rect.left;
  int height = rect.bottom - rect.top;
  int screen_w = GetSystemMetrics(SM_CXSCREEN);
  int screen_h = GetSystemMetrics(SM_CYSCREEN);
  int x = (screen_w - (width > screen_w ? screen_w : width)) / 2;
  int y = (screen_h - (height > screen_h ? screen_h : height)) / 2;

  app.main_window = CreateWindowExW(0, kMainClass, W(Text(kWindowTitle)), style, x, y, width,
                                    height, nullptr, nullptr, app.instance, nullptr);
  if (!app.main_window) {
    ShowMessage(u"Fatal error:\nCan't open main window.", MB_ICONERROR);
    ExitProgram();
  }
  HFONT font = MessageFont();

  app.list = Child(WC_LISTVIEWW, Text(),
                   WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_SHAREIMAGELISTS,
                   WS_EX_CLIENTEDGE, kCtlList, 10, 65, 510, 307, font);
  ListView_SetExtendedListViewStyle(app.list, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
  const struct {
    const char16_t* key;
    int width;
  } columns[] = {{u"Trigger", 70}, {u"Characters", 80}, {u"Unicode", 115}, {u"Comment", 220}};
  for (int i = 0; i < 4; ++i) {
    Text caption = Tr(u"WinMain", columns[i].key);
    LVCOLUMNW col{};
    col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
    col.fmt = LVCFMT_LEFT;
    col.cx = ScaleX(columns[i].width);
    col.pszText = const_cast<wchar_t*>(W(caption));
    ListView_InsertColumn(app.list, i, &col);
  }
  app.table.BuildRowsFromRecords(app.records);
  FillList();
  if (app.table.CurrentRow() >= 0) {
    ListView_SetItemState(app.list, app.table.CurrentRow(), LVIS_SELECTED | LVIS_FOCUSED,
                          LVIS_SELECTED | LVIS_FOCUSED);
  }

  HWND on_top = Child(L"BUTTON", Tr(u"WinMain", u"Ontop"),
                      WS_TABSTOP | WS_GROUP | BS_AUTOCHECKBOX, 0, kCtlOnTop, 10, 392, 150, 25, font);
  SendMessageW(on_top, BM_SETCHECK, app.settings.OnTop ? BST_CHECKED : BST_UNCHECKED, 0);
  SetWindowPos(app.main_window, app.settings.OnTop ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
               SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE);
  Child(L"BUTTON", Tr(u"WinMain", u"BtnInsert"), WS_TABSTOP | WS_GROUP | BS_DEFPUSHBUTTON, 0,
        kCtlInsert, 420, 392, 100, 25, font);

  app.status_bar = CreateStatusWindowW(WS_CHILD | WS_VISIBLE, L"", app.main_window, 100);
  if (app.status_bar) {
    int parts[1] = {-1};
    SendMessageW(app.status_bar, SB_SETPARTS, 1, reinterpret_cast<LPARAM>(parts));
    SendMessageW(app.status_bar, SB_SETMINHEIGHT, ScaleY(18), 0);
    SendMessageW(app.status_bar, WM_SIZE, 0, 0);
    SetStatusText(Tr(u"WinMain", u"StatusInfo"));
  }

  ShowWindow(app.main_window, SW_SHOWNORMAL);
  if (IsZoomed(app.main_window)) ShowWindow(app.main_window, SW_RESTORE);
  SendMessageW(app.main_window, WM_UPDATEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS | UISF_HIDEACCEL), 0);
  if (IsIconic(app.main_window)) ShowWindow(app.main_window, SW_HIDE);
}

void SetStatusText(const Text& text) {
  if (App().status_bar)
    SendMessageW(App().status_bar, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(W(text)));
}

void AddTrayIcon(HICON icon) {
  AppState& app = App();
  NOTIFYICONDATAW nid{};
  nid.cbSize = sizeof(nid);
  nid.hWnd = app.main_window;
  nid.uID = kTrayId;
  nid.uFlags = NIF_MESSAGE | NIF_ICON;
  nid.uCallbackMessage = kTrayCallbackMessage;
  nid.hIcon = icon;
  app.tray_added = Shell_NotifyIconW(NIM_ADD, &nid) != FALSE;
}

void SetTrayTip(const Text& tip) {
  AppState& app = App();
  app.tray_tip = tip;
  if (!app.tray_added) return;
  NOTIFYICONDATAW nid{};
  nid.cbSize = sizeof(nid);
  nid.hWnd = app.main_window;
  nid.uID = kTrayId;
  nid.uFlags = NIF_TIP;
  Text shown = tip.substr(0, 63);
  lstrcpynW(nid.szTip, W(shown), 64);
  Shell_NotifyIconW(NIM_MODIFY, &nid);
}

void ReAddTrayIcon() {
  AppState& app = App();
  if (!app.tray_icon) return;
  app.tray_added = false;
  AddTrayIcon(app.tray_icon);
  if (!app.tray_tip.empty()) SetTrayTip(app.tray_tip);
}

void RemoveTrayIcon() {
  AppState& app = App();
  if (!app.tray_added) return;
  NOTIFYICONDATAW nid{};
  nid.cbSize = sizeof(nid);
  nid.hWnd = app.main_window;
  nid.uID = kTrayId;
  Shell_NotifyIconW(NIM_DELETE, &nid);
  app.tray_added = false;
}

}  // namespace gw
