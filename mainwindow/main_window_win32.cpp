// The main window: character-map link, image buttons, Menu button, the list
// of entries, the "Stay on top" check box, the Insert button, the status bar,
// tooltips, fonts and the tray icon. Built once at start-up.
#include <windows.h>
#include <commctrl.h>
#include <oleacc.h>
#include <shellapi.h>

#include <algorithm>
#include <array>
#include <utility>

#include "base/event_queue.h"
#include "base/message_box.h"
#include "commands/commands_win32.h"
#include "mainwindow/accessibility.h"
#include "mainwindow/accessible_win32.h"
#include "mainwindow/announce_win32.h"
#include "mainwindow/colours_win32.h"
#include "mainwindow/app_state_win32.h"
#include "mainwindow/find_window.h"
#include "mainwindow/main_window.h"
#include "mainwindow/text_size_win32.h"
#include "resources/resource_ids.h"

namespace gw {

namespace {

constexpr const wchar_t* kMainClass = kMainWindowClass;
constexpr int kStatusBarId = 100;
constexpr UINT kTrayId = 1;
constexpr int kControlCount = 8;
constexpr int kTooltipControls = 5;  // controls 0 to 4 carry tooltips

std::array<HWND, kControlCount> g_controls{};
std::array<Text, kTooltipControls> g_tooltips;
HWND g_tooltip_window = nullptr;
HFONT g_message_font = nullptr;
HFONT g_bold_font = nullptr;
HFONT g_list_font = nullptr;

struct ColumnLayout {
  const char16_t* key;
  int width;
};
constexpr ColumnLayout kColumns[] = {
    {u"Trigger", 70}, {u"Characters", 80}, {u"Unicode", 115}, {u"Comment", 220}};

struct ImageButtonLayout {
  int id;
  int x;
  int png;
  const char16_t* key;
};
// Left to right, the order in which they are made (the Tab order).
constexpr ImageButtonLayout kImageButtons[] = {
    {kCtlNew, 45, IDR_PNG_NEW, u"New"},
    {kCtlEdit, 75, IDR_PNG_EDIT, u"Edit"},
    {kCtlDelete, 105, IDR_PNG_DELETE, u"Delete"},
};

HWND Child(const wchar_t* cls, const Text& text, DWORD style, DWORD ex_style, int id, int x, int y,
           int w, int h) {
  HWND hwnd =
      CreateWindowExW(ex_style, cls, W(text), WS_CHILD | WS_VISIBLE | style, ScaleX(x), ScaleY(y),
                      ScaleX(w), ScaleY(h), App().main_window,
                      reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), App().instance, nullptr);
  if (hwnd) SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(MessageFontHandle()), FALSE);
  return hwnd;
}

bool RegisterMainClass(WNDPROC window_procedure) {
  AppState& app = App();
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  if (GetClassInfoExW(app.instance, kMainClass, &wc)) return true;
  wc.cbSize = sizeof(wc);
  wc.style = CS_DBLCLKS;
  wc.lpfnWndProc = window_procedure;
  wc.hInstance = app.instance;
  wc.hIcon = LoadIconW(app.instance, MAKEINTRESOURCEW(IDI_GLYPHWELL));
  wc.hIconSm = static_cast<HICON>(LoadImageW(app.instance, MAKEINTRESOURCEW(IDI_GLYPHWELL), IMAGE_ICON,
                                             GetSystemMetrics(SM_CXSMICON),
                                             GetSystemMetrics(SM_CYSMICON), LR_SHARED));
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kMainClass;
  return RegisterClassExW(&wc) != 0;
}

// Step 1: the window itself, invisible, centred on the primary screen.
HWND CreateFrame(WNDPROC window_procedure) {
  if (!RegisterMainClass(window_procedure)) return nullptr;
  const DWORD style = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
  RECT rect{0, 0, ScaleX(530), ScaleY(452)};
  AdjustWindowRectEx(&rect, style, FALSE, 0);
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  const int screen_w = GetSystemMetrics(SM_CXSCREEN);
  const int screen_h = GetSystemMetrics(SM_CYSCREEN);
  const int x = (screen_w - (width > screen_w ? screen_w : width)) / 2;
  const int y = (screen_h - (height > screen_h ? screen_h : height)) / 2;
  return CreateWindowExW(0, kMainClass, W(Text(kWindowTitle)), style, x, y, width, height, nullptr,
                         nullptr, App().instance, nullptr);
}

HWND CreateTooltipWindow();
}  // namespace

HWND MainTooltipWindow() { return g_tooltip_window; }

namespace {
HWND CreateTooltipWindow() {
  HWND tip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                             CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                             nullptr, nullptr, App().instance, nullptr);
  // Not owned by the main window: Wine will not make a window topmost while
  // it owns a topmost popup, and "Stay on top" must work.
  return tip;
}

TOOLINFOW ToolFor(HWND control) {
  TOOLINFOW info{};
  info.cbSize = sizeof(info);
  info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
  info.hwnd = App().main_window;
  info.uId = reinterpret_cast<UINT_PTR>(control);
  return info;
}

// Step 4: the Menu button with its three bars, in the button text colour on
// the button face (made again when the system colours change).
HWND CreateMenuButton() {
  HBITMAP copy = MakeMenuPicture(ScaleX(30), ScaleY(30));
  if (!copy) return nullptr;
  HWND button =
      Child(L"BUTTON", Text(), WS_TABSTOP | BS_PUSHBUTTON | BS_BITMAP | BS_CENTER | BS_VCENTER, 0,
            kCtlMenu, 10, 10, 30, 30);
  if (!button) {
    DeleteObject(copy);
    return nullptr;
  }
  SendMessageW(button, BM_SETIMAGE, IMAGE_BITMAP, reinterpret_cast<LPARAM>(copy));
  // A menu button to the accessibility layer, named by its tooltip with the
  // tooltip's shortcut; its default action opens the menu.
  AccessibleTraits traits;
  traits.role = ROLE_SYSTEM_BUTTONMENU;
  traits.name = [button] { return SplitShortcut(WindowTextOf(button)).name; };
  traits.shortcut = [button] { return SplitShortcut(WindowTextOf(button)).shortcut; };
  traits.default_action = [] { return Tr(u"WinMain", u"InfoActionOpen"); };
  traits.do_default_action = [] {
    QueueEvent(Event{EventKind::Control, MainWindow, kCtlMenu, ControlClick});
  };
  MakeAccessible(button, std::move(traits));
  return button;
}

// The list to the accessibility layer: named, and each row read with its
// comment, characters, their names and its trigger (or "no trigger"), not
// by its first column alone.
void MakeListAccessible(HWND list) {
  AccessibleTraits traits;
  traits.name = [] { return Tr(u"WinMain", u"ListName"); };
  traits.child_name = [](long child) { return RowAccessibleText(static_cast<int>(child) - 1); };
  MakeAccessible(list, std::move(traits));
}

void InsertColumns(HWND list) {
  for (int i = 0; i < 4; ++i) {
    Text caption = WithoutMnemonic(Tr(u"WinMain", kColumns[i].key));
    LVCOLUMNW col{};
    col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
    col.fmt = LVCFMT_LEFT;
    col.cx = ScaleX(kColumns[i].width);
    col.pszText = const_cast<wchar_t*>(W(caption));
    ListView_InsertColumn(list, i, &col);
  }
}

// Step 5: the list in report view. Grid lines are the list view's own, which
// it draws in the button-face colour. The list keeps no texts of its own: it
// asks for the texts of the rows it draws (AnswerListNotification), so that
// filling, inserting or removing rows costs the same for 10,000 rows as for 6.
HWND CreateMainList() {
  HWND list = Child(WC_LISTVIEWW, Text(),
                    WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS |
                        LVS_SHAREIMAGELISTS | LVS_OWNERDATA,
                    WS_EX_CLIENTEDGE, kCtlList, 10, 65, 510, 307);
  if (!list) return nullptr;
  ListView_SetExtendedListViewStyle(list,
                                    LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER | LVS_EX_GRIDLINES);
  InsertColumns(list);
  MakeListAccessible(list);
  return list;
}

// Copies a column text into the list's buffer, cut to fit without splitting
// a surrogate pair.
void CopyColumnText(TextView text, wchar_t* buffer, int capacity) {
  if (!buffer || capacity <= 0) return;
  size_t n = std::min(text.size(), static_cast<size_t>(capacity - 1));
  if (n < text.size() && n > 0 && IsHighSurrogate(text[n - 1]) && IsLowSurrogate(text[n])) --n;
  std::copy_n(text.data(), n, reinterpret_cast<char16_t*>(buffer));
  buffer[n] = L'\0';
}

// Step 7: the list font, "FontName" at the size of the system's message
// font (which follows the user's text size), and never below 9 points.
void CreateListFont() {
  const Text& name = App().settings.FontName;
  const LOGFONTW message = SystemMessageFont(App().dpi_y);
  const int nine_points = MulDiv(9, App().dpi_y, 72);
  const int height = message.lfHeight < 0 ? -message.lfHeight : message.lfHeight;
  g_list_font = CreateFontW(-(height > nine_points ? height : nine_points), 0, 0, 0, FW_NORMAL,
                            FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_TT_PRECIS,
                            CLIP_DEFAULT_PRECIS, PROOF_QUALITY, DEFAULT_PITCH | FF_DONTCARE,
                            W(name));
}

void SetListFont(HWND list) {
  CreateListFont();
  if (g_list_font) SendMessageW(list, WM_SETFONT, reinterpret_cast<WPARAM>(g_list_font), TRUE);
}

void CreateBoldMessageFont() {
  LOGFONTW bold = SystemMessageFont(App().dpi_y);
  bold.lfWeight = FW_BOLD;
  bold.lfQuality = PROOF_QUALITY;
  g_bold_font = CreateFontIndirectW(&bold);
}

// The fonts before the last RecreateProgramFonts, to tell which control had
// which.
struct ProgramFonts {
  HFONT message = nullptr, bold = nullptr, list = nullptr, link = nullptr;
};
ProgramFonts g_previous_fonts;

void CreateStatusBar() {
  AppState& app = App();
  app.status_bar = CreateStatusWindowW(WS_CHILD | WS_VISIBLE, L"", app.main_window, kStatusBarId);
  if (!app.status_bar) return;
  SendMessageW(app.status_bar, WM_SETFONT, reinterpret_cast<WPARAM>(MessageFontHandle()), FALSE);
  int parts[1] = {-1};
  SendMessageW(app.status_bar, SB_SETPARTS, 1, reinterpret_cast<LPARAM>(parts));
  SendMessageW(app.status_bar, SB_SETMINHEIGHT, ScaleY(18), 0);
  SendMessageW(app.status_bar, WM_SIZE, 0, 0);
}

// The caption of the character-map link and its tooltip, from the settings.
// The character-map link's caption and tooltip by the settings.
Text CharMapLinkCaption() {
  const Settings& settings = App().settings;
  return settings.Option == CharMapOption::Custom ? settings.CustomCaption
                                                  : Tr(u"WinMain", u"Charmap");
}
Text CharMapLinkTip() {
  const Settings& settings = App().settings;
  return settings.Option == CharMapOption::Custom ? settings.CustomCommand : Text();
}

void LabelCharMapLink() {
  SetCharMapLinkText(CharMapLinkCaption());
  SetCharMapLinkTooltip(CharMapLinkTip());
}

// The show command of the first ShowWindow: normal, or minimised when the
// program was started minimised. Windows substitutes the start-up show state
// on a process's first ShowWindow by itself; asking for it explicitly keeps
// that rule where it is not applied (Wine, or after an earlier message box
// took the first call).
int FirstShowCommand() {
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  GetStartupInfoW(&startup);
  if (startup.dwFlags & STARTF_USESHOWWINDOW) {
    switch (startup.wShowWindow) {
      case SW_MINIMIZE:
      case SW_SHOWMINIMIZED:
      case SW_SHOWMINNOACTIVE:
      case SW_FORCEMINIMIZE:
        return startup.wShowWindow;
      default:
        break;
    }
  }
  return SW_SHOWNORMAL;
}

}  // namespace

WNDPROC g_list_procedure = nullptr;

AppState& App() {
  static AppState state;
  return state;
}

Text WindowTextOf(HWND hwnd) {
  // WM_GETTEXT rather than GetWindowTextW, which reads only the caption of a
  // window of another process.
  const LRESULT length = SendMessageW(hwnd, WM_GETTEXTLENGTH, 0, 0);
  std::wstring buffer(static_cast<size_t>(length < 0 ? 0 : length) + 1, L'\0');
  const LRESULT got =
      SendMessageW(hwnd, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()));
  return Text(reinterpret_cast<const char16_t*>(buffer.data()),
              static_cast<size_t>(got < 0 ? 0 : got));
}

// The layout grows with the DPI and with larger text.
int ScaleX(int units) { return MulDiv(units, App().dpi_x * TextScalePercent(), 9600); }
int ScaleY(int units) { return MulDiv(units, App().dpi_y * TextScalePercent(), 9600); }

void RecreateProgramFonts() {
  // The fonts of the refresh before are no longer any control's.
  for (HFONT font : {g_previous_fonts.message, g_previous_fonts.bold, g_previous_fonts.list,
                     g_previous_fonts.link})
    if (font && font != GetStockObject(DEFAULT_GUI_FONT)) DeleteObject(font);
  g_previous_fonts = {g_message_font, g_bold_font, g_list_font, ForgetLinkFont()};
  g_message_font = nullptr;
  MessageFontHandle();
  CreateBoldMessageFont();
  CreateListFont();
}

HFONT FontForControl(HWND control) {
  const auto now = reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
  if (now && now == g_previous_fonts.bold) return g_bold_font;
  if (now && now == g_previous_fonts.list) return g_list_font;
  if (now && now == g_previous_fonts.link) return LinkFont();
  return MessageFontHandle();
}

HWND MainControl(int id) {
  return id >= 0 && id < kControlCount ? g_controls[static_cast<size_t>(id)] : nullptr;
}

HFONT MessageFontHandle() {
  if (!g_message_font) {
    const LOGFONTW message = SystemMessageFont(App().dpi_y);
    g_message_font = CreateFontIndirectW(&message);
    if (!g_message_font) g_message_font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
  }
  return g_message_font;
}

HFONT BoldMessageFont() { return g_bold_font; }

void GetMessageFont(Text& face, int& points) {
  face.clear();
  points = 0;
  // The size of the structure before Vista's padded-border field; every
  // Windows version accepts it.
  constexpr UINT kLegacySize = 500;
  NONCLIENTMETRICSW metrics{};
  metrics.cbSize = kLegacySize;
  if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, kLegacySize, &metrics, 0)) return;
  face = reinterpret_cast<const char16_t*>(metrics.lfMessageFont.lfFaceName);
  points = -MulDiv(metrics.lfMessageFont.lfHeight, 72, App().dpi_y);
}

Text MainControlTooltip(int id) {
  return id >= 0 && id < kTooltipControls ? g_tooltips[static_cast<size_t>(id)] : Text();
}

// Before the tooltip window exists (while the main window is being built)
// the texts are only kept; CreateMainTooltips gives them to the window.
void SetMainControlTooltip(int id, const Text& text) {
  if (id < 0 || id >= kTooltipControls) return;
  HWND control = MainControl(id);
  Text& current = g_tooltips[static_cast<size_t>(id)];
  if (!control) return;
  if (g_tooltip_window) {
    TOOLINFOW info = ToolFor(control);
    if (text.empty()) {
      if (!current.empty())
        SendMessageW(g_tooltip_window, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&info));
    } else {
      info.lpszText = const_cast<wchar_t*>(W(text));
      SendMessageW(g_tooltip_window, current.empty() ? TTM_ADDTOOLW : TTM_UPDATETIPTEXTW, 0,
                   reinterpret_cast<LPARAM>(&info));
    }
  }
  current = text;
}

namespace {

// The tooltip window with the tooltips set so far. It is made once the main
// window is on the screen: a tooltip is of use only when the mouse rests on a
// control, and making this window (a top-level window of its own) would
// otherwise delay the main window's first appearance.
void CreateMainTooltips() {
  g_tooltip_window = CreateTooltipWindow();
  if (!g_tooltip_window) return;
  for (int id = 0; id < kTooltipControls; ++id) {
    HWND control = MainControl(id);
    const Text& text = g_tooltips[static_cast<size_t>(id)];
    if (!control || text.empty()) continue;
    TOOLINFOW info = ToolFor(control);
    info.lpszText = const_cast<wchar_t*>(W(text));
    SendMessageW(g_tooltip_window, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
  }
}

}  // namespace

bool CreateMainWindow(WNDPROC window_procedure, WNDPROC list_filter) {
  AppState& app = App();
  if (!app.instance) app.instance = GetModuleHandleW(nullptr);
  INITCOMMONCONTROLSEX icc{sizeof(icc),
                           ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES | ICC_STANDARD_CLASSES};
  InitCommonControlsEx(&icc);

  // 1. The window.
  app.main_window = CreateFrame(window_procedure);
  if (!app.main_window) {
    ShowMessage(u"Fatal error:\nCan't open main window.", MB_ICONERROR);
    return false;
  }

  // The controls are made in the Tab order, which follows the screen left to
  // right and top to bottom (a new child window goes below its siblings):
  // Menu, New, Edit, Delete, the link, the list, "Stay on top", Insert.

  // 4. The Menu button.
  g_controls[kCtlMenu] = CreateMenuButton();
  {
    const Text tip = Tr(u"WinMain", u"Menu");
    if (HWND button = MainControl(kCtlMenu)) SetWindowTextW(button, W(tip));
    SetMainControlTooltip(kCtlMenu, tip);
  }

  // 3. The image buttons; their tooltip is their (hidden) window text too.
  for (const ImageButtonLayout& layout : kImageButtons) {
    const void* png = nullptr;
    std::size_t size = 0;
    ResourceBytes(layout.png, png, size);
    g_controls[static_cast<size_t>(layout.id)] = MakeImageButton(layout.id, layout.x, png, size);
    const Text tip = Tr(u"WinMain", layout.key);
    if (HWND button = MainControl(layout.id)) SetWindowTextW(button, W(tip));
    SetMainControlTooltip(layout.id, tip);
  }

  // 2. The character-map link.
  g_controls[kCtlCharMapLink] = CreateCharMapLink(CharMapLinkCaption());
  SetCharMapLinkTooltip(CharMapLinkTip());

  // 5. to 8. The list, its rows, font and trigger-key filter.
  app.list = g_controls[kCtlList] = CreateMainList();
  app.table.BuildRowsFromRecords(app.records);
  // The records were only the file's staging area; the rows hold it all now.
  std::vector<CharacterEntry>().swap(app.records);
  FillMainList();
  SelectListRow(app.table.CurrentRow());
  if (app.list) {
    SetListFont(app.list);
    g_list_procedure = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(app.list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(list_filter)));
  }

  // 9. The bold font of the entry windows.
  CreateBoldMessageFont();

  // 10. "Stay on top".
  HWND on_top = g_controls[kCtlOnTop] =
      Child(L"BUTTON", Tr(u"WinMain", u"Ontop"), WS_TABSTOP | WS_GROUP | BS_AUTOCHECKBOX, 0,
            kCtlOnTop, 10, 392, 150, 25);
  if (on_top)
    SendMessageW(on_top, BM_SETCHECK, app.settings.OnTop ? BST_CHECKED : BST_UNCHECKED, 0);
  // The window is made without WS_EX_TOPMOST: only "Stay on top" changes it.
  if (app.settings.OnTop)
    SetWindowPos(app.main_window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE);

  // 11. Insert.
  g_controls[kCtlInsert] =
      Child(L"BUTTON", Tr(u"WinMain", u"BtnInsert"), WS_TABSTOP | WS_GROUP | BS_DEFPUSHBUTTON, 0,
            kCtlInsert, 420, 392, 100, 25);

  // 12. Status bar with the info text.
  CreateStatusBar();
  SetStatusText(Tr(u"WinMain", u"StatusInfo"));

  // 13., 14. Menu images and menus.
  CreateMainMenus();

  // 15. Shown; a start "maximised" opens in the normal size, a start
  // "minimised" stays minimised. Started with the tray switch (start with
  // Windows), it is not shown at all and waits in the tray.
  const bool tray_only = StartedForTheTray();
  if (!tray_only) {
    ShowWindow(app.main_window, FirstShowCommand());
    if (IsZoomed(app.main_window)) ShowWindow(app.main_window, SW_RESTORE);
  }

  // 16. Focus rectangles and keyboard cues always shown.
  SendMessageW(app.main_window, WM_UPDATEUISTATE,
               MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS | UISF_HIDEACCEL), 0);

  // 17. Keyboard shortcuts.
  CreateMainAccelerators();

  // 18. Started minimised or with the tray switch: straight into the tray.
  if (tray_only || IsIconic(app.main_window)) {
    ShowWindow(app.main_window, SW_HIDE);
    EnableTrayMenuItem(19, false);
  }

  CreateMainTooltips();
  InstallCharacterTooltip();
  return true;
}

Text InfoStatusText() { return Tr(u"WinMain", u"StatusInfo"); }

void FollowListSelection() {
  HWND list = MainControl(kCtlList);
  if (!list) return;
  App().table.SelectRow(ListView_GetNextItem(list, -1, LVNI_SELECTED));
}

void MinimizeMainWindow() {
  if (HWND main = App().main_window) ShowWindow(main, SW_MINIMIZE);
}

void StartMainTimer(int id, UINT milliseconds) {
  HWND main = App().main_window;
  if (!main) return;
  KillTimer(main, static_cast<UINT_PTR>(id));
  RemoveQueuedTimerEvents(id);
  SetTimer(main, static_cast<UINT_PTR>(id), milliseconds, nullptr);
}

void SetStatusText(const Text& text) {
  if (App().status_bar)
    SendMessageW(App().status_bar, SB_SETTEXTW, 0, reinterpret_cast<LPARAM>(W(text)));
}

void RelabelMainWindow() {
  LabelCharMapLink();
  for (const ImageButtonLayout& layout : kImageButtons) {
    const Text tip = Tr(u"WinMain", layout.key);
    if (HWND button = MainControl(layout.id)) SetWindowTextW(button, W(tip));
    SetMainControlTooltip(layout.id, tip);
  }
  {
    const Text tip = Tr(u"WinMain", u"Menu");
    if (HWND button = MainControl(kCtlMenu)) SetWindowTextW(button, W(tip));
    SetMainControlTooltip(kCtlMenu, tip);
  }
  if (HWND list = MainControl(kCtlList)) {
    for (int i = 0; i < 4; ++i) {
      Text caption = WithoutMnemonic(Tr(u"WinMain", kColumns[i].key));
      LVCOLUMNW col{};
      col.mask = LVCF_TEXT;
      col.pszText = const_cast<wchar_t*>(W(caption));
      ListView_SetColumn(list, i, &col);
    }
  }
  if (HWND box = MainControl(kCtlOnTop)) SetWindowTextW(box, W(Tr(u"WinMain", u"Ontop")));
  if (HWND insert = MainControl(kCtlInsert))
    SetWindowTextW(insert, W(Tr(u"WinMain", u"BtnInsert")));
  RelabelMainMenus();
  SetStatusText(Tr(u"WinMain", u"StatusInfo"));
}

// --- Popup menus -----------------------------------------------------------------

namespace {

void TrackMenu(HMENU menu, POINT at) {
  HWND owner = App().main_window;
  if (!menu || !owner) return;
  // A tooltip shown for the Menu button would stay over the open menu.
  if (g_tooltip_window) SendMessageW(g_tooltip_window, TTM_POP, 0, 0);
  SetForegroundWindow(owner);
  TrackPopupMenu(menu, TPM_RIGHTBUTTON, at.x, at.y, 0, owner, nullptr);
  // As Windows asks of a menu opened from the tray: otherwise the next menu
  // can close at once, or this one stay open after a click elsewhere.
  PostMessageW(owner, WM_NULL, 0, 0);
}

}  // namespace

void ShowMainMenuAt(POINT screen_point) {
  UpdateMainMenuChecks();
  TrackMenu(MainMenuHandle(), screen_point);
}
void ShowTrayMenuAt(POINT screen_point) { TrackMenu(TrayMenuHandle(), screen_point); }

// --- The list mirrors the table ------------------------------------------------

namespace {

// While it lives, the list is not drawn at all, and when it ends the list and
// its scroll bars are drawn with the next paint. A list view draws its scroll
// bars at once whenever its row count or its scroll position changes, and
// under Wine that costs about 5 ms a bar, twice for each row added or removed.
// The list's visible bit is taken away through the default window procedure,
// so the list view itself goes on keeping its rows, selection and scroll
// range as usual; only the drawing waits.
class ListDrawingHeld {
 public:
  explicit ListDrawingHeld(HWND list)
      : list_(list), held_((GetWindowLongW(list, GWL_STYLE) & WS_VISIBLE) != 0) {
    if (held_) DefWindowProcW(list_, WM_SETREDRAW, FALSE, 0);
  }
  ~ListDrawingHeld() {
    if (!held_) return;
    DefWindowProcW(list_, WM_SETREDRAW, TRUE, 0);
    RedrawWindow(list_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
  }
  ListDrawingHeld(const ListDrawingHeld&) = delete;
  ListDrawingHeld& operator=(const ListDrawingHeld&) = delete;

 private:
  HWND list_;
  bool held_;
};

// True when the whole of the row is in view.
bool RowInView(HWND list, int row) {
  const int top = ListView_GetTopIndex(list);
  return row >= top && row < top + ListView_GetCountPerPage(list);
}

}  // namespace

void FillMainList() {
  HWND list = App().list;
  if (!list) return;
  ListDrawingHeld held(list);
  ListView_DeleteAllItems(list);  // drops the selection and the focus
  ListView_SetItemCountEx(list, App().table.RowCount(), LVSICF_NOSCROLL);
}

void InsertListRow(int row) {
  HWND list = App().list;
  const int count = App().table.RowCount();
  if (!list || !App().table.IsRow(row) || ListView_GetItemCount(list) >= count) return;
  ListDrawingHeld held(list);
  // The selected and the focused row move down with the rows after the new
  // one, as the program's own doing.
  const int selected = ListView_GetNextItem(list, -1, LVNI_SELECTED);
  const int focused = ListView_GetNextItem(list, -1, LVNI_FOCUSED);
  ListView_SetItemCountEx(list, count, LVSICF_NOSCROLL | LVSICF_NOINVALIDATEALL);
  const bool was_selecting = g_program_selecting;
  g_program_selecting = true;
  if (selected >= row) {
    ListView_SetItemState(list, selected, 0, LVIS_SELECTED);
    ListView_SetItemState(list, selected + 1, LVIS_SELECTED, LVIS_SELECTED);
  }
  if (focused >= row) ListView_SetItemState(list, focused + 1, LVIS_FOCUSED, LVIS_FOCUSED);
  g_program_selecting = was_selecting;
}

void RemoveListRow(int row) {
  HWND list = App().list;
  if (!list || row < 0 || row >= ListView_GetItemCount(list)) return;
  ListDrawingHeld held(list);
  ListView_DeleteItem(list, row);  // moves the selection of the rows after it
}

void UpdateListRow(int row) {
  HWND list = App().list;
  if (!list || !App().table.IsRow(row) || row >= ListView_GetItemCount(list)) return;
  ListView_RedrawItems(list, row, row);
}

bool AnswerListNotification(const NMHDR& header, LRESULT* result) {
  HWND list = App().list;
  if (!list || header.hwndFrom != list) return false;
  const CharacterTable& table = App().table;
  if (header.code == LVN_GETDISPINFOW) {
    LVITEMW& item = reinterpret_cast<NMLVDISPINFOW&>(const_cast<NMHDR&>(header)).item;
    if ((item.mask & LVIF_TEXT) && item.pszText && item.cchTextMax > 0) {
      const bool known = table.IsRow(item.iItem) && item.iSubItem >= 0 && item.iSubItem < 4;
      CopyColumnText(known ? table.ColumnText(item.iItem, static_cast<TableColumn>(item.iSubItem))
                           : TextView(),
                     item.pszText, item.cchTextMax);
    }
    *result = 0;
    return true;
  }
  if (header.code == LVN_ODFINDITEMW) {
    // Typing in the list looks for a row whose first column starts with the
    // typed text, from the row after the focused one on.
    const auto& find = reinterpret_cast<const NMLVFINDITEMW&>(header);
    *result = -1;
    if (!(find.lvfi.flags & (LVFI_STRING | LVFI_PARTIAL)) || !find.lvfi.psz) return true;
    const Text wanted(reinterpret_cast<const char16_t*>(find.lvfi.psz));
    *result = FindRowByPrefix(table, wanted, find.iStart, (find.lvfi.flags & LVFI_WRAP) != 0,
                              (find.lvfi.flags & LVFI_PARTIAL) != 0);
    return true;
  }
  return false;
}

void SelectListRow(int row) {
  AppState& app = App();
  app.table.SelectRow(row);
  HWND list = app.list;
  if (!list) return;
  // Clear the selection item by item: asking the list view to clear it for
  // every item (index -1) visits all rows, which takes seconds for 10,000.
  for (int selected = ListView_GetNextItem(list, -1, LVNI_SELECTED); selected >= 0;
       selected = ListView_GetNextItem(list, -1, LVNI_SELECTED)) {
    ListView_SetItemState(list, selected, 0, LVIS_SELECTED);
    if (ListView_GetItemState(list, selected, LVIS_SELECTED)) break;  // refused: stop
  }
  if (row < 0 || row >= ListView_GetItemCount(list)) return;
  if (RowInView(list, row)) {
    ListView_SetItemState(list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
    return;
  }
  // Scrolling redraws the scroll bar, and under Wine the list view scrolls
  // to a row as soon as the row gets the focus: both wait for the drawing.
  ListDrawingHeld held(list);
  ListView_SetItemState(list, row, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  ListView_EnsureVisible(list, row, FALSE);
}

// --- Tray icon ---------------------------------------------------------------

namespace {

// Timer 2 tries the icon again while the shell cannot take it.
constexpr int kTrayRetryTimer = 2;
constexpr UINT kTrayRetryMs = 2000;

TrayCallHook g_tray_hook;
HICON g_tray_icon = nullptr;
// The shell was asked for the icon since it was last removed. An add that
// reports failure (Explorer busy, say) may still be carried out, so the
// icon may be there whatever the answer was.
bool g_tray_asked = false;

bool CallShell(DWORD message, NOTIFYICONDATAW& nid) {
  if (g_tray_hook) return g_tray_hook(message, nid.uFlags);
  return Shell_NotifyIconW(message, &nid) != FALSE;
}

NOTIFYICONDATAW TrayData(UINT flags) {
  NOTIFYICONDATAW nid{};
  nid.cbSize = sizeof(nid);
  nid.hWnd = App().main_window;
  nid.uID = kTrayId;
  nid.uFlags = flags;
  return nid;
}

// One try: NIM_ADD, and when the shell says no, NIM_MODIFY, which succeeds
// when the icon is there after all (an earlier add that reported failure).
// The icon comes with its tooltip, and in the shell's fourth version, which
// lets the keyboard reach it: Enter (NIN_KEYSELECT) and Shift+F10 or the
// menu key (WM_CONTEXTMENU at the icon) arrive at the main window.
bool TryAddTrayIcon() {
  AppState& app = App();
  NOTIFYICONDATAW nid = TrayData(NIF_MESSAGE | NIF_ICON | NIF_TIP | NIF_SHOWTIP);
  nid.uCallbackMessage = kTrayCallbackMessage;
  nid.hIcon = g_tray_icon;
  const Text tip = (app.tray_tip.empty() ? Text(u"Glyphwell") : app.tray_tip).substr(0, 63);
  lstrcpynW(nid.szTip, W(tip), 64);
  g_tray_asked = true;
  app.tray_added = CallShell(NIM_ADD, nid) || CallShell(NIM_MODIFY, nid);
  if (app.tray_added) {
    NOTIFYICONDATAW version = TrayData(0);
    version.uVersion = NOTIFYICON_VERSION_4;
    CallShell(NIM_SETVERSION, version);
  }
  return app.tray_added;
}

}  // namespace

void SetTrayCallHookForTesting(TrayCallHook hook) { g_tray_hook = std::move(hook); }

void AddTrayIcon(HICON icon) {
  AppState& app = App();
  g_tray_icon = icon;
  // An elevated copy hears that the taskbar was re-created only when it lets
  // that message in from the (not elevated) shell.
  if (app.taskbar_created_message)
    ChangeWindowMessageFilterEx(app.main_window, app.taskbar_created_message, MSGFLT_ALLOW,
                                nullptr);
  if (TryAddTrayIcon()) {
    KillTimer(app.main_window, kTrayRetryTimer);
    return;
  }
  // At logon Explorer may not take icons yet: tried again until it does.
  StartMainTimer(kTrayRetryTimer, kTrayRetryMs);
}

void RetryTrayIcon() {
  AppState& app = App();
  if (!app.tray_added && !TryAddTrayIcon()) return;  // the timer goes on
  KillTimer(app.main_window, kTrayRetryTimer);
  if (!app.tray_tip.empty()) SetTrayTip(app.tray_tip);
}

void SetTrayTip(const Text& tip) {
  AppState& app = App();
  app.tray_tip = tip;
  if (!app.tray_added) return;
  NOTIFYICONDATAW nid = TrayData(NIF_TIP | NIF_SHOWTIP);
  Text shown = tip.substr(0, 63);
  lstrcpynW(nid.szTip, W(shown), 64);
  CallShell(NIM_MODIFY, nid);
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
  if (!app.tray_added && !g_tray_asked) return;
  NOTIFYICONDATAW nid = TrayData(0);
  CallShell(NIM_DELETE, nid);
  app.tray_added = false;
  g_tray_asked = false;
}

namespace {
TrayBalloonHook g_balloon_hook;
}  // namespace

void SetTrayBalloonHookForTesting(TrayBalloonHook hook) { g_balloon_hook = std::move(hook); }

bool ShowTrayBalloon(const Text& title, const Text& text, bool warning) {
  if (g_balloon_hook) {
    g_balloon_hook(title, text);
    return true;
  }
  AppState& app = App();
  if (!app.tray_added) return false;
  NOTIFYICONDATAW nid{};
  nid.cbSize = sizeof(nid);
  nid.hWnd = app.main_window;
  nid.uID = kTrayId;
  nid.uFlags = NIF_INFO;
  nid.dwInfoFlags = warning ? NIIF_WARNING : NIIF_INFO;
  lstrcpynW(nid.szInfoTitle, W(title), ARRAYSIZE(nid.szInfoTitle));
  lstrcpynW(nid.szInfo, W(text), ARRAYSIZE(nid.szInfo));
  return Shell_NotifyIconW(NIM_MODIFY, &nid) != FALSE;
}

}  // namespace gw
