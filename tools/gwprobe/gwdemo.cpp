// gwdemo: a tiny stand-in Windows program for the end-to-end harness's own
// tests.  It shows the kinds of windows the real program shows, so that the
// probe and the Python helpers can be proven before the program exists.
//
//   gwdemo msgbox [TEXT]   message box titled "Glyphwell 1.11 (x64)" with Yes/No;
//                          exit code = the button (IDYES 6, IDNO 7)
//   gwdemo exit N          exits at once with code N
//   gwdemo env             message box titled "gwdemo env" listing the working
//                          folder, the program path, LANG, LC_ALL, the user
//                          locale, the UI language and GW_MARK; exit code 0
//   gwdemo window          main window "Glyphwell stand-in": list view, status
//                          bar, edit field, Insert button, F10 hotkey, tray icon;
//                          exit code 3 after WM_CLOSE

#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <cwchar>
#include <string>

namespace {

constexpr wchar_t kBoxTitle[] = L"Glyphwell 1.11 (x64)";
constexpr wchar_t kWindowTitle[] = L"Glyphwell stand-in";
constexpr UINT kTrayMessage = WM_APP + 1;
constexpr int kIdList = 5, kIdEdit = 7, kIdInsert = 8, kIdStatus = 9;

HWND g_list, g_status, g_edit;

void SetStatus(const wchar_t* text) { SendMessageW(g_status, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(text)); }

void AddRow(int row, const wchar_t* trigger, const wchar_t* chars, const wchar_t* comment) {
  LVITEMW item = {};
  item.mask = LVIF_TEXT;
  item.iItem = row;
  item.pszText = const_cast<wchar_t*>(trigger);
  SendMessageW(g_list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
  item.iSubItem = 1;
  item.pszText = const_cast<wchar_t*>(chars);
  SendMessageW(g_list, LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
  item.iSubItem = 2;
  item.pszText = const_cast<wchar_t*>(comment);
  SendMessageW(g_list, LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
}

void AddColumn(int index, const wchar_t* text, int width) {
  LVCOLUMNW col = {};
  col.mask = LVCF_TEXT | LVCF_WIDTH;
  col.pszText = const_cast<wchar_t*>(text);
  col.cx = width;
  SendMessageW(g_list, LVM_INSERTCOLUMNW, index, reinterpret_cast<LPARAM>(&col));
}

void Build(HWND w) {
  HINSTANCE inst = GetModuleHandleW(nullptr);
  g_list = CreateWindowExW(WS_EX_CLIENTEDGE, WC_LISTVIEWW, L"",
                           WS_CHILD | WS_VISIBLE | WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS, 10,
                           10, 400, 200, w, reinterpret_cast<HMENU>(kIdList), inst, nullptr);
  SendMessageW(g_list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
  AddColumn(0, L"Trigger", 60);
  AddColumn(1, L"Characters", 120);
  AddColumn(2, L"Comment", 200);
  AddRow(0, L"-", L"\u2013", L"en dash");
  AddRow(1, L"\"", L"\u201E\u201C", L"German quotes \u00E4\u00F6\u00FC");
  AddRow(2, L"g", L"\U0001D11E", L"G clef (surrogate pair)");
  g_edit = CreateWindowExW(WS_EX_CLIENTEDGE, L"Edit", L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL, 10,
                           220, 250, 24, w, reinterpret_cast<HMENU>(kIdEdit), inst, nullptr);
  CreateWindowExW(0, L"Button", L"&Insert", WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_PUSHBUTTON, 270, 220, 80, 24, w,
                  reinterpret_cast<HMENU>(kIdInsert), inst, nullptr);
  g_status = CreateWindowExW(0, STATUSCLASSNAMEW, L"", WS_CHILD | WS_VISIBLE, 0, 0, 0, 0, w,
                             reinterpret_cast<HMENU>(kIdStatus), inst, nullptr);
  int parts[2] = {200, -1};
  SendMessageW(g_status, SB_SETPARTS, 2, reinterpret_cast<LPARAM>(parts));
  SetStatus(L" Ready \u2013 ok");
  SendMessageW(g_status, SB_SETTEXTW, 1, reinterpret_cast<LPARAM>(L"part two"));
  RegisterHotKey(w, 1, 0, VK_F10);

  NOTIFYICONDATAW nid = {};
  nid.cbSize = sizeof nid;
  nid.hWnd = w;
  nid.uID = 1;
  nid.uFlags = NIF_MESSAGE | NIF_ICON | NIF_TIP;
  nid.uCallbackMessage = kTrayMessage;
  nid.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
  wcscpy(nid.szTip, L"Glyphwell stand-in tray");
  Shell_NotifyIconW(NIM_ADD, &nid);
  SetFocus(g_list);
}

LRESULT CALLBACK WndProc(HWND w, UINT msg, WPARAM wp, LPARAM lp) {
  switch (msg) {
    case WM_CREATE:
      Build(w);
      return 0;
    case WM_HOTKEY:
      SetStatus(L"hotkey");
      SetForegroundWindow(w);
      return 0;
    case kTrayMessage:
      if (LOWORD(lp) == WM_LBUTTONUP) SetStatus(L"tray click");
      return 0;
    case WM_COMMAND:
      if (LOWORD(wp) == kIdInsert) {
        // Adds the edit field's text as a row at the end of the list, then shows
        // it in the status bar.
        wchar_t buf[256] = {};
        GetWindowTextW(g_edit, buf, 256);
        const int rows = static_cast<int>(SendMessageW(g_list, LVM_GETITEMCOUNT, 0, 0));
        AddRow(rows, L"i", buf, L"inserted");
        std::wstring t = L"insert: ";
        t += buf;
        SetStatus(t.c_str());
      }
      return 0;
    case WM_CLOSE: {
      NOTIFYICONDATAW nid = {};
      nid.cbSize = sizeof nid;
      nid.hWnd = w;
      nid.uID = 1;
      Shell_NotifyIconW(NIM_DELETE, &nid);
      DestroyWindow(w);
      return 0;
    }
    case WM_DESTROY:
      PostQuitMessage(3);
      return 0;
  }
  return DefWindowProcW(w, msg, wp, lp);
}

int RunWindow(HINSTANCE inst, int show) {
  INITCOMMONCONTROLSEX icc = {sizeof icc, ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
  InitCommonControlsEx(&icc);
  WNDCLASSW wc = {};
  wc.lpfnWndProc = WndProc;
  wc.hInstance = inst;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = L"GwDemoMain";
  RegisterClassW(&wc);
  HWND w = CreateWindowExW(0, L"GwDemoMain", kWindowTitle, WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX, 100, 100, 440,
                           320, nullptr, nullptr, inst, nullptr);
  if (!w) return 1;
  ShowWindow(w, show);
  UpdateWindow(w);
  MSG m;
  while (GetMessageW(&m, nullptr, 0, 0) > 0) {
    if (IsDialogMessageW(w, &m)) continue;
    TranslateMessage(&m);
    DispatchMessageW(&m);
  }
  return static_cast<int>(m.wParam);
}

std::wstring EnvValue(const wchar_t* name) {
  wchar_t buf[512] = {};
  DWORD n = GetEnvironmentVariableW(name, buf, 512);
  return n ? std::wstring(buf) : std::wstring(L"(unset)");
}

int ShowEnv() {
  wchar_t cwd[MAX_PATH] = {}, exe[MAX_PATH] = {}, loc[LOCALE_NAME_MAX_LENGTH] = {};
  GetCurrentDirectoryW(MAX_PATH, cwd);
  GetModuleFileNameW(nullptr, exe, MAX_PATH);
  GetUserDefaultLocaleName(loc, LOCALE_NAME_MAX_LENGTH);
  wchar_t lang[16] = {};
  GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SISO639LANGNAME, lang, 16);
  wchar_t ui[32];
  swprintf(ui, 32, L"%04x", static_cast<unsigned>(GetUserDefaultUILanguage()));
  std::wstring text = L"cwd=" + std::wstring(cwd) + L"\nexe=" + exe + L"\nLANG=" + EnvValue(L"LANG") +
                      L"\nLC_ALL=" + EnvValue(L"LC_ALL") + L"\nlocale=" + loc + L"\niso639=" + lang +
                      L"\nuilang=" + ui + L"\nmark=" + EnvValue(L"GW_MARK");
  MessageBoxW(nullptr, text.c_str(), L"gwdemo env", MB_OK);
  return 0;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE inst, HINSTANCE, LPWSTR, int show) {
  int argc = 0;
  wchar_t** argv = CommandLineToArgvW(GetCommandLineW(), &argc);
  std::wstring mode = argc > 1 ? argv[1] : L"window";
  if (mode == L"exit") return argc > 2 ? _wtoi(argv[2]) : 0;
  if (mode == L"msgbox") {
    const wchar_t* text = argc > 2 ? argv[2] : L"Can't write file:\nC:\\Portable\\Glyphwell.ini";
    return MessageBoxW(nullptr, text, kBoxTitle, MB_YESNO | MB_ICONERROR);
  }
  if (mode == L"env") return ShowEnv();
  return RunWindow(inst, show);
}
