// The Wine bench's baseline: the least program that does what Glyphwell's
// start, hotkey and Enter do, so that each of those figures can be given as a
// ratio to what Wine allows. It shows the same window (class, title, client
// size) with a report list of the six default rows, adds the same tray icon,
// registers F10, comes to the front with the focus on the list on F10, and
// on Enter goes into the tray and types the selected row's characters into
// the window that was in front before. Built with Glyphwell's toolchain and
// flags; nothing else (no settings, files, languages, menus or fonts).
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <initializer_list>

namespace {

constexpr UINT kTrayMessage = WM_APP + 1;
constexpr UINT kHideMessage = WM_APP + 2;
constexpr int kHideCommand = 19;  // as Glyphwell's Hide, which the bench posts

struct Row {
  const wchar_t* cells[4];
};
constexpr Row kRows[] = {
    {{L"", L"\u201E\u201C", L"\\u201E\\u201C", L"quotation marks (de)"}},
    {{L"", L"\u00BB\u00AB", L"\\u00BB\\u00AB", L"guillemets (de)"}},
    {{L"", L"\u201C\u201D", L"\\u201C\\u201D", L"quotation marks (en, es)"}},
    {{L"", L"\u00AB\u00BB", L"\\u00AB\\u00BB", L"guillemets (fr)"}},
    {{L"-", L"\u2013", L"\\u2013", L"en dash"}},
    {{L"%", L"\u2030", L"\\u2030", L"per thousand"}},
};

HWND g_window = nullptr;
HWND g_list = nullptr;
HWND g_previous = nullptr;
int g_dpi_x = 96, g_dpi_y = 96;

int X(int units) { return MulDiv(units, g_dpi_x, 96); }
int Y(int units) { return MulDiv(units, g_dpi_y, 96); }

bool IsOtherProgramsWindow(HWND hwnd) {
  DWORD pid = 0;
  if (hwnd) GetWindowThreadProcessId(hwnd, &pid);
  return hwnd && pid != GetCurrentProcessId() && hwnd != GetDesktopWindow();
}

void ComeToFront() {
  HWND front = GetForegroundWindow();
  if (IsOtherProgramsWindow(front)) g_previous = front;
  ShowWindow(g_window, SW_SHOWNORMAL);
  SetForegroundWindow(g_window);
  SetFocus(g_list);
}

void GoToTray() { ShowWindow(g_window, SW_MINIMIZE); }

// Enter: into the tray, the keyboard back to the window of before, the
// selected row's characters typed there with one SendInput.
void TypeSelectedRow() {
  const int row = ListView_GetNextItem(g_list, -1, LVNI_SELECTED);
  if (row < 0) return;
  wchar_t text[64] = {};
  ListView_GetItemText(g_list, row, 1, text, 64);
  GoToTray();
  if (!IsOtherProgramsWindow(GetForegroundWindow()) && g_previous && IsWindow(g_previous)) {
    SetForegroundWindow(g_previous);
    const ULONGLONG deadline = GetTickCount64() + 500;
    while (!IsOtherProgramsWindow(GetForegroundWindow()) && GetTickCount64() < deadline) Sleep(1);
  }
  INPUT inputs[2 * 64] = {};
  int n = 0;
  for (const wchar_t* c = text; *c; ++c) {
    for (DWORD up : {0ul, static_cast<DWORD>(KEYEVENTF_KEYUP)}) {
      inputs[n].type = INPUT_KEYBOARD;
      inputs[n].ki.wScan = *c;
      inputs[n].ki.dwFlags = KEYEVENTF_UNICODE | up;
      ++n;
    }
  }
  SendInput(static_cast<UINT>(n), inputs, sizeof(INPUT));
}

LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_HOTKEY:
      ComeToFront();
      return 0;
    case kTrayMessage:
      if (lp == WM_LBUTTONUP) ComeToFront();
      return 0;
    case WM_COMMAND:
      if (LOWORD(wp) == kHideCommand) GoToTray();
      return 0;
    case WM_SIZE:
      // Into the tray once the typing is done, as Glyphwell does.
      if (wp == SIZE_MINIMIZED) PostMessageW(hwnd, kHideMessage, 0, 0);
      return 0;
    case kHideMessage:
      if (IsIconic(hwnd)) ShowWindow(hwnd, SW_HIDE);
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wp) != WA_INACTIVE && g_list) SetFocus(g_list);
      return 0;
    case WM_CLOSE: {
      NOTIFYICONDATAW nid{};
      nid.cbSize = sizeof(nid);
      nid.hWnd = hwnd;
      nid.uID = 1;
      Shell_NotifyIconW(NIM_DELETE, &nid);
      ExitProcess(0);
    }
    default:
      return DefWindowProcW(hwnd, msg, wp, lp);
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_LISTVIEW_CLASSES};
  InitCommonControlsEx(&icc);
  HDC screen = GetDC(nullptr);
  g_dpi_x = GetDeviceCaps(screen, LOGPIXELSX);
  g_dpi_y = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);

  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = instance;
  wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = L"GlyphwellMain";
  RegisterClassExW(&wc);

  const DWORD style = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
  RECT rect{0, 0, X(530), Y(452)};
  AdjustWindowRectEx(&rect, style, FALSE, 0);
  const int w = rect.right - rect.left, h = rect.bottom - rect.top;
  g_window = CreateWindowExW(0, L"GlyphwellMain", L"Glyphwell 1.11 (x64)", style,
                             (GetSystemMetrics(SM_CXSCREEN) - w) / 2,
                             (GetSystemMetrics(SM_CYSCREEN) - h) / 2, w, h, nullptr, nullptr,
                             instance, nullptr);
  g_list = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                           WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL |
                               LVS_SHOWSELALWAYS,
                           X(10), Y(65), X(510), Y(307), g_window, nullptr, instance, nullptr);
  ListView_SetExtendedListViewStyle(g_list, LVS_EX_FULLROWSELECT);
  const int widths[4] = {70, 80, 115, 220};
  const wchar_t* headers[4] = {L"Trigger", L"Characters", L"Unicode", L"Comment"};
  for (int c = 0; c < 4; ++c) {
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.cx = X(widths[c]);
    column.pszText = const_cast<wchar_t*>(headers[c]);
    ListView_InsertColumn(g_list, c, &column);
  }
  for (int r = 0; r < 6; ++r) {
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = r;
    item.pszText = const_cast<wchar_t*>(kRows[r].cells[0]);
    ListView_InsertItem(g_list, &item);
    for (int c = 1; c < 4; ++c)
      ListView_SetItemText(g_list, r, c, const_cast<wchar_t*>(kRows[r].cells[c]));
  }
  ListView_SetItemState(g_list, 0, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  ShowWindow(g_window, SW_SHOWNORMAL);
  SetFocus(g_list);

  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  NOTIFYICONDATAW nid{};
  nid.cbSize = sizeof(nid);
  nid.hWnd = g_window;
  nid.uID = 1;
  nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  nid.uCallbackMessage = kTrayMessage;
  nid.hIcon = ExtractIconW(nullptr, path, 0);
  lstrcpynW(nid.szTip, L"Glyphwell (F10)", 64);
  Shell_NotifyIconW(NIM_ADD, &nid);
  RegisterHotKey(g_window, 1, 0, VK_F10);

  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_RETURN && GetActiveWindow() == g_window) {
      TypeSelectedRow();
      continue;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return 0;
}
