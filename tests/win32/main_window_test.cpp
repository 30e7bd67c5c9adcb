// The main window as Windows sees it: built once in this process with the
// built-in English texts and the default table, then examined through the
// ordinary window, list view, tooltip, menu and GDI calls at 96 DPI.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "app/event_loop.h"
#include "app/main_window_procedure.h"
#include "app/shell_win32.h"
#include "base/event_queue.h"
#include "base/message_box.h"
#include "mainwindow/app_state_win32.h"
#include "mainwindow/colours.h"
#include "mainwindow/main_window.h"
#include "resources/resource_ids.h"
#include "table/default_table.h"
#include "table/entry_windows_win32.h"
#include "tests/win32/event_test_support.h"

namespace gw {
namespace {

using namespace testing_support;

Text FromW(const wchar_t* s) { return reinterpret_cast<const char16_t*>(s); }

Text TextOf(HWND hwnd) {
  wchar_t buffer[512] = {};
  GetWindowTextW(hwnd, buffer, 512);
  return FromW(buffer);
}

RECT RectInParent(HWND hwnd) {
  RECT rect;
  GetWindowRect(hwnd, &rect);
  MapWindowPoints(nullptr, GetParent(hwnd), reinterpret_cast<POINT*>(&rect), 2);
  return rect;
}

LONG_PTR StyleOf(HWND hwnd) { return GetWindowLongPtrW(hwnd, GWL_STYLE); }


// Every row of the list view equals the table's row, column by column.
void ExpectListMirrorsTable() {
  const CharacterTable& table = App().table;
  ASSERT_EQ(ListView_GetItemCount(App().list), table.RowCount());
  for (int row = 0; row < table.RowCount(); ++row)
    for (int col = 0; col < 4; ++col)
      EXPECT_EQ(ListText(App().list, row, col), table.Column(row, col)) << "row " << row << " col " << col;
}

std::vector<int> SelectedRows() {
  std::vector<int> rows;
  for (int i = ListView_GetNextItem(App().list, -1, LVNI_SELECTED); i >= 0;
       i = ListView_GetNextItem(App().list, i, LVNI_SELECTED))
    rows.push_back(i);
  return rows;
}

HWND TooltipWindow() {
  HWND tip = MainTooltipWindow();
  return tip && ClassOf(tip) == TOOLTIPS_CLASSW ? tip : nullptr;
}

// The tooltip text of a control, or "<none>" when it has no tool.
Text TooltipOf(HWND control) {
  HWND tip = TooltipWindow();
  if (!tip) return u"<no tooltip window>";
  wchar_t buffer[512] = {};
  TOOLINFOW info{};
  info.cbSize = sizeof(info);
  info.hwnd = App().main_window;
  info.uId = reinterpret_cast<UINT_PTR>(control);
  if (!SendMessageW(tip, TTM_GETTOOLINFOW, 0, reinterpret_cast<LPARAM>(&info))) return u"<none>";
  EXPECT_EQ(info.uFlags & (TTF_IDISHWND | TTF_SUBCLASS), UINT(TTF_IDISHWND | TTF_SUBCLASS));
  info.lpszText = buffer;
  SendMessageW(tip, TTM_GETTEXTW, 512, reinterpret_cast<LPARAM>(&info));
  return FromW(buffer);
}

// Client-area pixels of a control as painted on screen.
COLORREF PixelOf(HWND hwnd, int x, int y) {
  HDC dc = GetDC(hwnd);
  COLORREF colour = GetPixel(dc, x, y);
  ReleaseDC(hwnd, dc);
  return colour;
}

std::vector<COLORREF> RowOfPixels(HWND hwnd, int y, int x0, int x1) {
  std::vector<COLORREF> row;
  for (int x = x0; x < x1; ++x) row.push_back(PixelOf(hwnd, x, y));
  return row;
}

void Repaint(HWND hwnd) {
  RedrawWindow(hwnd, nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

// The width in pixels that `text` takes in a control's font.
int TextWidthIn(HWND control, const Text& text) {
  HDC dc = GetDC(control);
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
  SIZE size{0, 0};
  GetTextExtentPoint32W(dc, W(text), static_cast<int>(text.size()), &size);
  SelectObject(dc, old);
  ReleaseDC(control, dc);
  return size.cx;
}

// The Control events queued for one control, in order; the queue is emptied.
std::vector<Event> TakeControlEvents(int id) {
  std::vector<Event> events;
  Event event;
  while (TakeEvent(event))
    if (event.kind == EventKind::Control && event.object == id) events.push_back(event);
  return events;
}

std::vector<int> TypesOf(const std::vector<Event>& events) {
  std::vector<int> types;
  for (const Event& e : events) types.push_back(e.type);
  return types;
}

void RestoreDefaultTable() {
  App().records = DefaultCharacterEntries();
  App().table.BuildRowsFromRecords(App().records);
  FillMainList();
  SelectListRow(App().table.CurrentRow());
}

class MainWindowTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    AppState& app = App();
    if (!app.main_window) {  // one main window per process
      app.instance = GetModuleHandleW(nullptr);
      LoadBuiltInTable(app.language);
      app.settings = Settings();
      app.records = DefaultCharacterEntries();
      SetMessageBoxHook([](const Text&, unsigned) { return IDOK; });
      CreateMainWindow(MainWindowProc, TriggerKeyFilter);
      SetMessageBoxHook(nullptr);
      return;
    }
    // Other tests of this process used the window before: back to the state
    // it is built in.
    LoadBuiltInTable(app.language);
    app.settings = Settings();
    RelabelMainWindow();
    SendMessageW(MainControl(kCtlOnTop), BM_SETCHECK, BST_UNCHECKED, 0);
    SetWindowPos(app.main_window, HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOACTIVATE | SWP_NOMOVE | SWP_NOSIZE);
    ShowWindow(app.main_window, SW_SHOWNORMAL);
    ShowWindow(app.main_window, SW_RESTORE);
    EnableTrayMenuItem(18, true);
    EnableTrayMenuItem(19, true);
    RestoreDefaultTable();
  }

  static void TearDownTestSuite() { ClearEventQueue(); }

  void SetUp() override {
    ASSERT_NE(App().main_window, nullptr);
    ASSERT_EQ(App().dpi_x, 96) << "these tests expect a 96 DPI screen";
  }
};

// --- The window and its controls ---------------------------------------------------

TEST_F(MainWindowTest, FrameIsFixedSizeCentredWithItsClassAndTitle) {
  HWND main = App().main_window;
  EXPECT_EQ(
      StyleOf(main) & (WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME),
      LONG_PTR(WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX));
  EXPECT_TRUE(IsWindowVisible(main));
  EXPECT_EQ(TextOf(main), Text(u"Glyphwell 1.11 (x64)"));
  RECT client, outer;
  GetClientRect(main, &client);
  GetWindowRect(main, &outer);
  EXPECT_EQ(client.right, 530);
  EXPECT_EQ(client.bottom, 452);
  // Its middle is the screen's, to the pixel.
  EXPECT_LE(std::abs(outer.left + outer.right - GetSystemMetrics(SM_CXSCREEN)), 1);
  EXPECT_LE(std::abs(outer.top + outer.bottom - GetSystemMetrics(SM_CYSCREEN)), 1);

  EXPECT_EQ(GetClassLongPtrW(main, GCL_STYLE) & CS_DBLCLKS, CS_DBLCLKS);
  EXPECT_EQ(GetClassLongPtrW(main, GCLP_HBRBACKGROUND), LONG_PTR(COLOR_BTNFACE + 1));
  EXPECT_NE(GetClassLongPtrW(main, GCLP_HICON), 0);
  EXPECT_EQ(reinterpret_cast<HCURSOR>(GetClassLongPtrW(main, GCLP_HCURSOR)),
            LoadCursorW(nullptr, IDC_ARROW));
  EXPECT_EQ(reinterpret_cast<WNDPROC>(GetClassLongPtrW(main, GCLP_WNDPROC)), &MainWindowProc);
  // Focus rectangles and keyboard cues are always shown.
  EXPECT_EQ(SendMessageW(main, WM_QUERYUISTATE, 0, 0) & (UISF_HIDEFOCUS | UISF_HIDEACCEL), 0);
}

TEST_F(MainWindowTest, ScalingUsesEachAxisResolution) {
  AppState& app = App();
  app.dpi_x = 144;
  app.dpi_y = 120;
  EXPECT_EQ(ScaleX(530), 795);
  EXPECT_EQ(ScaleY(452), 565);
  EXPECT_EQ(ScaleX(1), 2);  // MulDiv rounds halves away from zero
  app.dpi_y = 144;
  EXPECT_EQ(ScaleY(452), 678);
  app.dpi_x = app.dpi_y = 96;
}

TEST_F(MainWindowTest, ControlsHaveIdsClassesStylesAndPlaces) {
  const struct {
    int id;
    const wchar_t* cls;
    LONG_PTR style;
    int x, y, w, h;
  } controls[] = {
      {kCtlDelete, L"GlyphwellImageButton", WS_TABSTOP | WS_GROUP, 105, 10, 30, 30},
      {kCtlEdit, L"GlyphwellImageButton", WS_TABSTOP | WS_GROUP, 75, 10, 30, 30},
      {kCtlNew, L"GlyphwellImageButton", WS_TABSTOP | WS_GROUP, 45, 10, 30, 30},
      {kCtlMenu, L"Button", WS_TABSTOP | BS_BITMAP | BS_PUSHBUTTON, 10, 10, 30, 30},
      {kCtlList, L"SysListView32",
       WS_TABSTOP | LVS_REPORT | LVS_SINGLESEL | LVS_SHOWSELALWAYS | LVS_SHAREIMAGELISTS, 10, 65,
       510, 307},
      {kCtlOnTop, L"Button", WS_TABSTOP | WS_GROUP | BS_AUTOCHECKBOX, 10, 392, 150, 25},
      {kCtlInsert, L"Button", WS_TABSTOP | WS_GROUP | BS_DEFPUSHBUTTON, 420, 392, 100, 25},
  };
  for (const auto& e : controls) {
    SCOPED_TRACE(e.id);
    HWND hwnd = MainControl(e.id);
    ASSERT_NE(hwnd, nullptr);
    EXPECT_EQ(GetDlgItem(App().main_window, e.id), hwnd);
    EXPECT_EQ(ClassOf(hwnd), e.cls);
    EXPECT_EQ(StyleOf(hwnd) & (e.style | WS_CHILD | WS_VISIBLE), e.style | WS_CHILD | WS_VISIBLE);
    if (e.cls == std::wstring(L"Button"))
      EXPECT_EQ(StyleOf(hwnd) & BS_TYPEMASK, e.style & BS_TYPEMASK);
    const RECT r = RectInParent(hwnd);
    EXPECT_EQ(r.left, e.x);
    EXPECT_EQ(r.top, e.y);
    EXPECT_EQ(r.right - r.left, e.w);
    EXPECT_EQ(r.bottom - r.top, e.h);
  }
  EXPECT_EQ(GetWindowLongPtrW(App().list, GWL_EXSTYLE) & WS_EX_CLIENTEDGE, WS_EX_CLIENTEDGE);
  EXPECT_EQ(MainControl(8), nullptr);
  EXPECT_EQ(MainControl(-1), nullptr);
  // "Stay on top" shows the setting (off by default), and so does the window.
  EXPECT_EQ(SendMessageW(MainControl(kCtlOnTop), BM_GETCHECK, 0, 0), BST_UNCHECKED);
  EXPECT_EQ(GetWindowLongPtrW(App().main_window, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
}

TEST_F(MainWindowTest, TabOrderReadsMenuNewEditDeleteLinkListOnTopInsert) {
  HWND next = MainControl(kCtlInsert);
  std::vector<int> tabbing;
  for (int i = 0; i < 8; ++i) {
    next = GetNextDlgTabItem(App().main_window, next, FALSE);
    tabbing.push_back(GetDlgCtrlID(next));
  }
  EXPECT_EQ(tabbing, (std::vector<int>{4, 3, 2, 1, 0, 5, 6, 7}));

  std::vector<std::pair<LONG, int>> by_x;
  for (int id : {1, 2, 3, 4}) by_x.push_back({RectInParent(MainControl(id)).left, id});
  std::sort(by_x.begin(), by_x.end());
  EXPECT_EQ(by_x[0].second, kCtlMenu);
  EXPECT_EQ(by_x[1].second, kCtlNew);
  EXPECT_EQ(by_x[2].second, kCtlEdit);
  EXPECT_EQ(by_x[3].second, kCtlDelete);
}

TEST_F(MainWindowTest, CaptionsAndTooltipsComeFromTheLanguageTable) {
  const struct {
    int id;
    const char16_t* text;
  } captions[] = {{kCtlDelete, u"Delete item"},
                  {kCtlEdit, u"Edit item"},
                  {kCtlNew, u"New item (Ctrl+N)"},
                  {kCtlMenu, u"Open menu (Shift+F10)"},
                  {kCtlOnTop, u"&Stay on top"},
                  {kCtlInsert, u"&Insert"},
                  {kCtlCharMapLink, u"Windows Character Map"}};
  for (const auto& c : captions) {
    EXPECT_EQ(TextOf(MainControl(c.id)), Text(c.text));
    // The image buttons and the Menu button carry their caption as tooltip.
    if (c.id >= kCtlDelete && c.id <= kCtlMenu)
      EXPECT_EQ(TooltipOf(MainControl(c.id)), Text(c.text));
  }
  // The standard character map has no tooltip, and nothing else has one but
  // the list's Characters cell (the name of the selected row's character).
  EXPECT_EQ(TooltipOf(MainControl(kCtlCharMapLink)), Text(u"<none>"));
  EXPECT_EQ(SendMessageW(TooltipWindow(), TTM_GETTOOLCOUNT, 0, 0), 5);
}

TEST_F(MainWindowTest, FontsAreTheMessageFontTheBoldFontAndTheListFont) {
  HFONT message = MessageFontHandle();
  for (int id : {kCtlOnTop, kCtlInsert})
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(MainControl(id), WM_GETFONT, 0, 0)), message);

  Text face;
  int points = -1;
  GetMessageFont(face, points);
  LOGFONTW message_lf{}, bold{}, list{};
  GetObjectW(message, sizeof(message_lf), &message_lf);
  EXPECT_EQ(face, FromW(message_lf.lfFaceName));
  EXPECT_EQ(points, -MulDiv(message_lf.lfHeight, 72, 96));
  EXPECT_GT(points, 0);

  ASSERT_EQ(GetObjectW(BoldMessageFont(), sizeof(bold), &bold), int(sizeof(bold)));
  EXPECT_EQ(bold.lfWeight, 700);
  EXPECT_FALSE(bold.lfItalic);
  EXPECT_EQ(bold.lfQuality, PROOF_QUALITY);
  EXPECT_EQ(bold.lfHeight, -MulDiv(points, 96, 72));
  EXPECT_EQ(FromW(bold.lfFaceName), face);

  HFONT list_font = reinterpret_cast<HFONT>(SendMessageW(App().list, WM_GETFONT, 0, 0));
  ASSERT_EQ(GetObjectW(list_font, sizeof(list), &list), int(sizeof(list)));
  EXPECT_EQ(FromW(list.lfFaceName), Text(u"Lucida Sans Unicode"));
  EXPECT_EQ(list.lfHeight, -12);  // 9 points at 96 pixels per inch
  EXPECT_EQ(list.lfWeight, 400);
  EXPECT_EQ(list.lfCharSet, DEFAULT_CHARSET);
  EXPECT_EQ(list.lfOutPrecision, OUT_TT_PRECIS);
  EXPECT_EQ(list.lfQuality, PROOF_QUALITY);
}

TEST_F(MainWindowTest, StatusBarHasOneFullWidthFieldAtTheBottom) {
  HWND bar = App().status_bar;
  ASSERT_NE(bar, nullptr);
  EXPECT_EQ(ClassOf(bar), STATUSCLASSNAMEW);
  EXPECT_EQ(StyleOf(bar) & SBARS_SIZEGRIP, 0);
  int parts[4] = {};
  EXPECT_EQ(SendMessageW(bar, SB_GETPARTS, 4, reinterpret_cast<LPARAM>(parts)), 1);
  EXPECT_EQ(parts[0], -1);
  const RECT r = RectInParent(bar);
  EXPECT_EQ(r.left, 0);
  EXPECT_EQ(r.right, 530);
  EXPECT_EQ(r.bottom, 452);
  EXPECT_GE(r.bottom - r.top, 18);
  EXPECT_EQ(StatusText(), Text(u" Press [Shift] to get the code rather than the character."));
  SetStatusText(Text());
  EXPECT_EQ(StatusText(), Text());
  SetStatusText(Tr(u"WinMain", u"StatusInfo"));
}

// --- The character-map link --------------------------------------------------------

TEST_F(MainWindowTest, LinkIsAFocusableStaticUnderlinedInTheLinkColourWithHandCursor) {
  HWND link = MainControl(kCtlCharMapLink);
  ASSERT_NE(link, nullptr);
  EXPECT_EQ(ClassOf(link), L"Static");
  EXPECT_EQ(StyleOf(link) & (WS_TABSTOP | SS_NOTIFY),
            WS_TABSTOP);  // clicks come once, from the link
  EXPECT_EQ(SendMessageW(link, WM_NCHITTEST, 0, 0), HTCLIENT);
  SetCursor(LoadCursorW(nullptr, IDC_ARROW));
  SendMessageW(link, WM_SETCURSOR, reinterpret_cast<WPARAM>(link),
               MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
  EXPECT_EQ(GetCursor(), LoadCursorW(nullptr, IDC_HAND));

  SetForegroundWindow(App().main_window);
  SetFocus(App().list);
  Repaint(App().main_window);
  RECT client;
  GetClientRect(link, &client);
  // The link colour, or the link blue where the theme's cannot be read (Wine's light theme).
  const COLORREF link_colour = ReadableLinkColour(
      GetSysColor(COLOR_HOTLIGHT), GetSysColor(COLOR_BTNFACE), GetSysColor(COLOR_BTNTEXT));
  EXPECT_GE(ContrastRatio(link_colour, GetSysColor(COLOR_BTNFACE)), 4.5);
  int longest_blue_run = 0, blue_pixels = 0;
  for (int y = 0; y < client.bottom; ++y) {
    int run = 0;
    for (COLORREF c : RowOfPixels(link, y, 0, client.right)) {
      run = c == link_colour ? run + 1 : 0;
      blue_pixels += run > 0;
      longest_blue_run = std::max(longest_blue_run, run);
    }
  }
  EXPECT_GT(blue_pixels, 50);
  EXPECT_GT(longest_blue_run, client.right / 2);  // the underline
  EXPECT_EQ(PixelOf(link, client.right - 1, 0), GetSysColor(COLOR_BTNFACE));

  // With the focus, a dotted rectangle surrounds the text: its left edge.
  auto left_edge = [&] {
    std::vector<COLORREF> column;
    for (int y = 0; y < client.bottom; ++y) column.push_back(PixelOf(link, 0, y));
    return column;
  };
  const std::vector<COLORREF> before = left_edge();
  SetFocus(link);
  Repaint(link);
  EXPECT_NE(left_edge(), before);
  SetFocus(App().list);
  Repaint(link);
  EXPECT_EQ(left_edge(), before);
}

// The whole caption shows, with its focus rectangle's margin and no more
// room than that, up to 200 units; the right edge stays at 520.
TEST_F(MainWindowTest, LinkFitsItsTextUpTo200UnitsWithItsRightEdgeAt520) {
  HWND link = MainControl(kCtlCharMapLink);
  for (const Text& text : {Text(u"Windows Character Map"), Text(u"x"), Text(u"WWWW"), Text(), Text(300, u'W')}) {
    SCOPED_TRACE(text.size());
    SetCharMapLinkText(text);
    EXPECT_EQ(TextOf(link), text);
    const RECT r = RectInParent(link);  // 96 DPI: units are pixels
    EXPECT_EQ(r.right, 520);
    EXPECT_EQ(r.top, 15);
    EXPECT_EQ(r.bottom - r.top, 20);
    const int width = r.right - r.left, needed = TextWidthIn(link, text);
    if (needed + 4 <= 200) {
      EXPECT_GE(width, needed + 2) << "the caption or its focus rectangle is cut";
      EXPECT_LE(width, needed + 6) << "room to click beside the caption";
    } else {
      EXPECT_EQ(width, 200);
    }
  }
  SetCharMapLinkText(u"Windows Character Map");
}

TEST_F(MainWindowTest, CustomCharacterMapCaptionAndTooltip) {
  AppState& app = App();
  app.settings.Option = CharMapOption::Custom;
  app.settings.CustomCaption = u"BabelMap";
  app.settings.CustomCommand = u"C:\\Tools\\BabelMap.exe";
  RelabelMainWindow();
  HWND link = MainControl(kCtlCharMapLink);
  EXPECT_EQ(TextOf(link), Text(u"BabelMap"));
  EXPECT_EQ(TooltipOf(link), Text(u"C:\\Tools\\BabelMap.exe"));
  SetCharMapLinkTooltip(u"other");
  EXPECT_EQ(TooltipOf(link), Text(u"other"));

  app.settings = Settings();
  RelabelMainWindow();
  EXPECT_EQ(TextOf(link), Text(u"Windows Character Map"));
  EXPECT_EQ(TooltipOf(link), Text(u"<none>"));
}

TEST_F(MainWindowTest, LinkReportsReleaseOverItAndSpaceAsClicks) {
  HWND link = MainControl(kCtlCharMapLink);
  RECT client;
  GetClientRect(link, &client);
  ClearEventQueue();
  SendMessageW(link, WM_LBUTTONUP, 0, MAKELPARAM(3, 5));
  const std::vector<Event> events = TakeControlEvents(kCtlCharMapLink);
  ASSERT_EQ(events.size(), 1u);
  EXPECT_EQ(events[0].window, MainWindow);
  EXPECT_EQ(events[0].type, ControlClick);

  // Released beside it (the mouse captured elsewhere), or other keys: nothing.
  SendMessageW(link, WM_LBUTTONUP, 0, MAKELPARAM(client.right + 3, 5));
  SendMessageW(link, WM_KEYUP, VK_RETURN, 0);
  EXPECT_TRUE(TakeControlEvents(kCtlCharMapLink).empty());
  SendMessageW(link, WM_KEYUP, VK_SPACE, 0);
  EXPECT_EQ(TypesOf(TakeControlEvents(kCtlCharMapLink)), std::vector<int>{ControlClick});
}

// --- Image buttons and the Menu button --------------------------------------------

TEST_F(MainWindowTest, ImageButtonsShowTheirPictureAndAFocusRectangleInsetByTwo) {
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  SetForegroundWindow(App().main_window);
  SetFocus(App().list);
  Repaint(App().main_window);
  for (int id : {kCtlDelete, kCtlEdit, kCtlNew}) {
    SCOPED_TRACE(id);
    HWND button = MainControl(id);
    // The margin around the 20 x 20 picture is button face, the picture is not.
    EXPECT_EQ(PixelOf(button, 0, 0), face);
    EXPECT_EQ(PixelOf(button, 29, 29), face);
    EXPECT_EQ(PixelOf(button, 4, 15), face);
    int picture = 0;
    for (int y = 5; y < 25; ++y)
      for (COLORREF c : RowOfPixels(button, y, 5, 25)) picture += c != face;
    EXPECT_GT(picture, 40);
  }
  // The New picture is the PNG over the face as the system would blend it.
  PngImage image;
  ASSERT_TRUE(LoadPngResource(IDR_PNG_NEW, image));
  HBITMAP picture = CreateAlphaBitmap(image, 20, 20);
  HDC screen = GetDC(nullptr);
  HDC reference = CreateCompatibleDC(screen), source = CreateCompatibleDC(screen);
  HBITMAP canvas = CreateCompatibleBitmap(screen, 20, 20);
  ReleaseDC(nullptr, screen);
  HGDIOBJ old_canvas = SelectObject(reference, canvas), old_source = SelectObject(source, picture);
  RECT all{0, 0, 20, 20};
  HBRUSH face_brush = CreateSolidBrush(face);
  FillRect(reference, &all, face_brush);
  DeleteObject(face_brush);
  GdiAlphaBlend(reference, 0, 0, 20, 20, source, 0, 0, 20, 20, {AC_SRC_OVER, 0, 255, AC_SRC_ALPHA});
  int differing = 0;
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 20; ++x) {
      const COLORREF want = GetPixel(reference, x, y), got = PixelOf(MainControl(kCtlNew), 5 + x, 5 + y);
      for (int shift : {0, 8, 16})
        differing += std::abs(static_cast<int>((want >> shift) & 0xFF) - static_cast<int>((got >> shift) & 0xFF)) > 2;
    }
  EXPECT_EQ(differing, 0);
  SelectObject(reference, old_canvas);
  SelectObject(source, old_source);
  DeleteDC(reference);
  DeleteDC(source);
  DeleteObject(canvas);
  DeleteObject(picture);

  HWND button = MainControl(kCtlEdit);
  const std::vector<COLORREF> before = RowOfPixels(button, 2, 2, 28);
  SetFocus(button);
  Repaint(button);
  const std::vector<COLORREF> after = RowOfPixels(button, 2, 2, 28);
  int changed = 0;
  for (size_t i = 0; i < before.size(); ++i) changed += before[i] != after[i];
  EXPECT_GE(changed, 8);  // a dotted line: about every second pixel
  EXPECT_LT(changed, 26);
  EXPECT_EQ(PixelOf(button, 1, 1), face);
  SetFocus(App().list);
}

TEST_F(MainWindowTest, ImageButtonReportsClickOnlyWhenPressedAndReleasedOverIt) {
  HWND button = MainControl(kCtlNew);
  SetForegroundWindow(App().main_window);
  SetFocus(App().list);
  ClearEventQueue();

  SendMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
  EXPECT_EQ(GetFocus(), button);  // taken when pressed
  SendMessageW(button, WM_LBUTTONUP, 0, MAKELPARAM(12, 11));
  const std::vector<Event> events = TakeControlEvents(kCtlNew);
  EXPECT_EQ(TypesOf(events), (std::vector<int>{FocusGained, ControlClick}));
  for (const Event& e : events) EXPECT_EQ(e.window, MainWindow);

  // Pressed and released outside; released without a press: no click.
  SendMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
  SendMessageW(button, WM_LBUTTONUP, 0, MAKELPARAM(45, 10));
  SendMessageW(button, WM_LBUTTONUP, 0, MAKELPARAM(10, 10));
  EXPECT_TRUE(TakeControlEvents(kCtlNew).empty());
  EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(MainWindowTest, ImageButtonReportsKeyReleasesWithTheirKeyAndFocusChanges) {
  HWND button = MainControl(kCtlDelete);
  SetForegroundWindow(App().main_window);
  SetFocus(App().list);
  ClearEventQueue();
  for (int key : {VK_SPACE, VK_RETURN}) {
    SetFocus(button);
    SendMessageW(button, WM_KEYUP, static_cast<WPARAM>(key), 0);
    SetFocus(App().list);
    const std::vector<Event> events = TakeControlEvents(kCtlDelete);
    ASSERT_EQ(TypesOf(events), (std::vector<int>{FocusGained, ControlKeyReleased, FocusLost}));
    EXPECT_EQ(events[1].key, key);
  }
}

TEST_F(MainWindowTest, MenuButtonShowsThreeBarsInTheButtonTextColourOnTheFace) {
  const std::vector<DWORD> pixels = testing_support::BitmapPixels(
      reinterpret_cast<HBITMAP>(SendMessageW(MainControl(kCtlMenu), BM_GETIMAGE, IMAGE_BITMAP, 0)), 30);
  ASSERT_EQ(pixels.size(), 900u);
  auto dib = [](COLORREF c) {
    return static_cast<DWORD>(GetRValue(c)) << 16 | static_cast<DWORD>(GetGValue(c)) << 8 |
           GetBValue(c);
  };
  const DWORD face = dib(GetSysColor(COLOR_BTNFACE)), text = dib(GetSysColor(COLOR_BTNTEXT));
  ASSERT_NE(face, text);
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 30; ++x) {
      const bool bar =
          x >= 8 && x < 22 && (y == 9 || y == 10 || y == 14 || y == 15 || y == 19 || y == 20);
      ASSERT_EQ(pixels[static_cast<size_t>(y * 30 + x)] & 0xFFFFFF, bar ? text : face)
          << x << "," << y;
    }
}

// --- The list ---------------------------------------------------------------------

TEST_F(MainWindowTest, ListHasFourColumnsItsStylesAndTheTriggerKeyFilter) {
  HWND list = App().list;
  EXPECT_EQ(ListView_GetExtendedListViewStyle(list) & (LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER),
            DWORD(LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER));
  const std::pair<const char16_t*, int> columns[] = {
      {u"Trigger", 70}, {u"Characters", 80}, {u"Unicode", 115}, {u"Comment", 220}};
  EXPECT_EQ(Header_GetItemCount(ListView_GetHeader(list)), 4);
  for (int i = 0; i < 4; ++i) {
    wchar_t buffer[64] = {};
    LVCOLUMNW col{};
    col.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_FMT;
    col.pszText = buffer;
    col.cchTextMax = 64;
    ASSERT_TRUE(ListView_GetColumn(list, i, &col));
    EXPECT_EQ(FromW(buffer), Text(columns[i].first));
    EXPECT_EQ(col.cx, columns[i].second);
    EXPECT_EQ(col.fmt & LVCFMT_JUSTIFYMASK, LVCFMT_LEFT);
  }
  EXPECT_EQ(reinterpret_cast<WNDPROC>(GetWindowLongPtrW(list, GWLP_WNDPROC)), &TriggerKeyFilter);
  ASSERT_NE(g_list_procedure, nullptr);
  EXPECT_NE(g_list_procedure, &TriggerKeyFilter);
}

TEST_F(MainWindowTest, GridLinesAreDrawnInTheButtonFaceColour) {
  RestoreDefaultTable();
  HWND list = App().list;
  const COLORREF face = GetSysColor(COLOR_BTNFACE);
  SetForegroundWindow(App().main_window);
  Repaint(App().main_window);
  RECT item;
  ASSERT_TRUE(ListView_GetItemRect(list, 2, &item, LVIR_BOUNDS));
  const int y = (item.top + item.bottom) / 2;                         // row 2 is not selected
  const std::vector<COLORREF> across = RowOfPixels(list, y, 66, 73);  // column 0 ends at 70
  EXPECT_NE(std::find(across.begin(), across.end(), face), across.end());
  bool horizontal = false;
  for (int dy = -2; dy <= 2; ++dy) horizontal |= PixelOf(list, 480, item.bottom + dy) == face;
  EXPECT_TRUE(horizontal);
  EXPECT_EQ(PixelOf(list, 480, y), GetSysColor(COLOR_WINDOW));
}

TEST_F(MainWindowTest, ListFollowsTheTableThroughInsertRemoveUpdateAndSelect) {
  RestoreDefaultTable();
  ExpectListMirrorsTable();
  EXPECT_EQ(ListText(App().list, 4, 1), Text(u"\u2013"));
  EXPECT_EQ(SelectedRows(), std::vector<int>{0});  // row 0 current after building
  EXPECT_EQ(ListView_GetNextItem(App().list, -1, LVNI_FOCUSED), 0);

  CharacterTable& table = App().table;
  table.InsertRow(0, {u"a", u"\\u00E4", u"a umlaut"});
  InsertListRow(0);
  table.AppendRow({u"", u"\\u1F600", u"smile"});
  InsertListRow(table.RowCount() - 1);
  table.InsertRow(3, {u"b", u"\\u00DF", u"sharp s"});
  InsertListRow(3);
  ExpectListMirrorsTable();
  table.ReplaceRow(3, {u"s", u"\\u00DF", u"eszett"});
  UpdateListRow(3);
  table.RemoveRow(0);
  RemoveListRow(0);
  table.RemoveRow(table.RowCount() - 1);
  RemoveListRow(table.RowCount());
  table.MoveRow(1, 1);
  UpdateListRow(1);
  UpdateListRow(2);
  ExpectListMirrorsTable();
  // Rows that do not exist change nothing.
  InsertListRow(99);
  UpdateListRow(-1);
  RemoveListRow(99);
  ExpectListMirrorsTable();

  SelectListRow(3);
  EXPECT_EQ(SelectedRows(), std::vector<int>{3});
  EXPECT_EQ(ListView_GetNextItem(App().list, -1, LVNI_FOCUSED), 3);
  EXPECT_EQ(table.CurrentRow(), 3);
  SelectListRow(-1);
  EXPECT_TRUE(SelectedRows().empty());
  EXPECT_EQ(table.CurrentRow(), -1);
  SelectListRow(table.RowCount());
  EXPECT_TRUE(SelectedRows().empty());
  RestoreDefaultTable();
}

TEST_F(MainWindowTest, TenThousandRowsFillAndAFarRowIsScrolledIntoView) {
  AppState& app = App();
  app.records.clear();
  for (int i = 0; i < 10000; ++i)
    app.records.push_back(
        {i < 90 ? Text(1, char16_t(u'!' + i)) : Text(), u"\\u0041", u"row " + NumberText(i)});
  app.table.BuildRowsFromRecords(app.records);
  FillMainList();
  ExpectListMirrorsTable();
  SelectListRow(9876);
  EXPECT_EQ(SelectedRows(), std::vector<int>{9876});
  const int top = ListView_GetTopIndex(app.list);
  EXPECT_LE(top, 9876);
  EXPECT_GT(top + ListView_GetCountPerPage(app.list), 9876);

  // An empty table: an empty list and no current row.
  app.records.clear();
  app.table.BuildRowsFromRecords(app.records);
  FillMainList();
  SelectListRow(app.table.CurrentRow());
  EXPECT_EQ(ListView_GetItemCount(app.list), 0);
  EXPECT_TRUE(SelectedRows().empty());
  RestoreDefaultTable();
}

// Adding, removing and scrolling to rows leaves the list visible, with a
// scroll range that fits its rows and the changed part waiting to be painted.
TEST_F(MainWindowTest, RowChangesInALongListKeepItVisibleScrolledAndDueForPainting) {
  AppState& app = App();
  HWND list = app.list;
  app.records.clear();
  for (int i = 0; i < 10000; ++i) app.records.push_back({Text(), u"\\u0041", u"row " + NumberText(i)});
  app.table.BuildRowsFromRecords(app.records);
  FillMainList();
  auto scroll_max = [&] {
    SCROLLINFO info{sizeof(info), SIF_RANGE};
    GetScrollInfo(list, SB_VERT, &info);
    return info.nMax;
  };
  auto painted = [&] {
    UpdateWindow(app.main_window);
    RedrawWindow(list, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    return !GetUpdateRect(list, nullptr, FALSE);
  };
  auto check = [&](const char* step) {
    SCOPED_TRACE(step);
    EXPECT_TRUE(GetWindowLongW(list, GWL_STYLE) & WS_VISIBLE);
    EXPECT_TRUE(IsWindowVisible(list));
    EXPECT_EQ(ListView_GetItemCount(list), app.table.RowCount());
    EXPECT_EQ(scroll_max(), app.table.RowCount() - 1);
    EXPECT_TRUE(GetUpdateRect(list, nullptr, FALSE));
  };
  check("fill");
  ASSERT_TRUE(painted());

  SelectListRow(5000);  // far away: scrolled into view
  check("scroll");
  const int top = ListView_GetTopIndex(list);
  EXPECT_LE(top, 5000);
  EXPECT_GT(top + ListView_GetCountPerPage(list), 5000);
  ASSERT_TRUE(painted());

  app.table.InsertRow(10, {u"", u"\\u0042", u"new"});  // out of view: the count and scroll bar change
  InsertListRow(10);
  check("insert");
  EXPECT_EQ(SelectedRows(), std::vector<int>{5001});
  const int top_after = ListView_GetTopIndex(list);
  EXPECT_GE(top_after, top);
  EXPECT_LE(top_after, 5001);
  EXPECT_GT(top_after + ListView_GetCountPerPage(list), 5001);
  ASSERT_TRUE(painted());

  app.table.RemoveRow(5001);
  RemoveListRow(5001);
  check("remove");
  ExpectListMirrorsTable();
  ASSERT_TRUE(painted());

  // A row already in view is selected without scrolling or redrawing the whole list.
  SelectListRow(top_after + 1);
  EXPECT_EQ(ListView_GetTopIndex(list), top_after);
  EXPECT_EQ(SelectedRows(), std::vector<int>{top_after + 1});
  EXPECT_TRUE(GetWindowLongW(list, GWL_STYLE) & WS_VISIBLE);
  RestoreDefaultTable();
}

// --- Menus, shortcuts and relabelling --------------------------------------------------

struct MenuRow {
  int command;  // -1: separator
  const char16_t* text;
  bool image;
};

void ExpectMenu(HMENU menu, const std::vector<MenuRow>& rows) {
  ASSERT_NE(menu, nullptr);
  ASSERT_EQ(GetMenuItemCount(menu), static_cast<int>(rows.size()));
  for (UINT pos = 0; pos < rows.size(); ++pos) {
    SCOPED_TRACE(pos);
    wchar_t buffer[128] = {};
    MENUITEMINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_ID | MIIM_FTYPE | MIIM_STRING | MIIM_CHECKMARKS;
    info.dwTypeData = buffer;
    info.cch = 128;
    ASSERT_TRUE(GetMenuItemInfoW(menu, pos, TRUE, &info));
    const MenuRow& row = rows[pos];
    EXPECT_EQ((info.fType & MFT_SEPARATOR) != 0, row.command < 0);
    if (row.command < 0) continue;
    EXPECT_EQ(info.wID, static_cast<UINT>(row.command));
    EXPECT_EQ(FromW(buffer), Text(row.text));
    EXPECT_EQ(info.hbmpChecked, info.hbmpUnchecked);
    ASSERT_EQ(info.hbmpChecked != nullptr, row.image);
    if (!row.image) continue;
    BITMAP bm{};
    GetObjectW(info.hbmpChecked, sizeof(bm), &bm);
    EXPECT_EQ(bm.bmWidth, 16);
    EXPECT_EQ(bm.bmHeight, 16);
    EXPECT_EQ(bm.bmBitsPixel, 32);
  }
}

TEST_F(MainWindowTest, MenusHaveTheirItemsIdsAndImages) {
  ExpectMenu(MainMenuHandle(), {{13, u"About ...", false},
                                {14, u"Check for update", false},
                                {15, u"Help\tF1", true},
                                {16, u"Settings", true},
                                {-1, nullptr, false},
                                {25, u"&Edit item\tF2", false},
                                {26, u"&Delete item\tDel", false},
                                {21, u"Find ...\tCtrl+F", false},
                                {17, u"Go to character file", false},
                                {-1, nullptr, false},
                                {24, u"Run at startup", false},
                                {-1, nullptr, false},
                                {19, u"Minimize to tray\tEsc", false},
                                {20, u"Quit", true}});
  HMENU tray = TrayMenuHandle();
  ExpectMenu(
      tray,
      {{18, u"Show", false},
       {19, u"Minimize to tray", false},
       {-1, nullptr, false},
       {20, u"Quit", true}});
  // Both Show and Hide are enabled until the first activation; only the
  // tray's Hide follows EnableTrayMenuItem.
  EXPECT_EQ(GetMenuState(tray, 18, MF_BYCOMMAND) & MF_GRAYED, 0u);
  EnableTrayMenuItem(19, false);
  EXPECT_EQ(GetMenuState(tray, 19, MF_BYCOMMAND) & MF_GRAYED, UINT(MF_GRAYED));
  EXPECT_EQ(GetMenuState(MainMenuHandle(), 19, MF_BYCOMMAND) & MF_GRAYED, 0u);
  EnableTrayMenuItem(19, true);
  EXPECT_EQ(GetMenuState(tray, 19, MF_BYCOMMAND) & MF_GRAYED, 0u);
}

TEST_F(MainWindowTest, AcceleratorsInTableOrder) {
  ACCEL got[32] = {};
  const int n = CopyAcceleratorTableW(MainAccelerators(), got, 32);
  constexpr BYTE V = FVIRTKEY, C = FVIRTKEY | FCONTROL, S = FVIRTKEY | FSHIFT, CS = C | FSHIFT;
  const ACCEL expected[] = {{V, VK_RETURN, 0}, {S, VK_RETURN, 1},  {C, 'C', 2},     {CS, 'C', 3},
                            {C, VK_INSERT, 2}, {CS, VK_INSERT, 3}, {C, VK_UP, 4},   {C, VK_DOWN, 5},
                            {C, 'N', 7},       {S, VK_F10, 6},     {V, VK_APPS, 6}, {V, VK_F1, 15},
                            {V, VK_ESCAPE, 19}, {V, VK_F2, 25},    {V, VK_DELETE, 27},
                            {C, 'F', 21},      {V, VK_F3, 22},     {S, VK_F3, 23}};
  ASSERT_EQ(n, static_cast<int>(std::size(expected)));
  for (int i = 0; i < n; ++i) {
    EXPECT_EQ(got[i].fVirt & 0x7F, expected[i].fVirt) << i;
    EXPECT_EQ(got[i].key, expected[i].key) << i;
    EXPECT_EQ(got[i].cmd, expected[i].cmd) << i;
  }
}

TEST_F(MainWindowTest, RelabelTakesEveryTextFromTheNewTable) {
  auto& sections = App().language.sections;
  sections[u"WINMAIN"][u"BTNINSERT"] = u"Einfügen";
  sections[u"WINMAIN"][u"ONTOP"] = u"Immer oben";
  sections[u"WINMAIN"][u"COMMENT"] = u"Kommentar";
  sections[u"WINMAIN"][u"MENU"] = u"Menü";
  sections[u"WINMAIN"][u"CHARMAP"] = u"Zeichentabelle";
  sections[u"WINMAIN"][u"STATUSINFO"] = u" Info";
  sections[u"MENUMAIN"][u"HELP"] = u"Hilfe";
  sections[u"MENUSYSTRAY"][u"HIDE"] = u"Verbergen";
  sections[u"MENUMAIN"][u"ESC"] = u"\u00C9chap";  // the shortcut's name comes from the table too
  sections[u"GENERAL"][u"QUIT"] = u"Beenden";
  RelabelMainWindow();

  EXPECT_EQ(TextOf(MainControl(kCtlInsert)), Text(u"Einfügen"));
  EXPECT_EQ(TextOf(MainControl(kCtlOnTop)), Text(u"Immer oben"));
  EXPECT_EQ(TextOf(MainControl(kCtlMenu)), Text(u"Menü"));
  EXPECT_EQ(TooltipOf(MainControl(kCtlMenu)), Text(u"Menü"));
  EXPECT_EQ(TextOf(MainControl(kCtlCharMapLink)), Text(u"Zeichentabelle"));
  EXPECT_EQ(RectInParent(MainControl(kCtlCharMapLink)).right, 520);
  EXPECT_EQ(StatusText(), Text(u" Info"));
  wchar_t buffer[128] = {};
  LVCOLUMNW col{};
  col.mask = LVCF_TEXT | LVCF_WIDTH;
  col.pszText = buffer;
  col.cchTextMax = 128;
  ListView_GetColumn(App().list, 3, &col);
  EXPECT_EQ(FromW(buffer), Text(u"Kommentar"));
  EXPECT_EQ(col.cx, 220);
  const std::pair<HMENU, UINT> items[] = {
      {MainMenuHandle(), 15}, {MainMenuHandle(), 19}, {TrayMenuHandle(), 19}, {TrayMenuHandle(), 20}};
  const char16_t* texts[] = {u"Hilfe\tF1", u"Verbergen\t\u00C9chap", u"Verbergen", u"Beenden"};
  for (int i = 0; i < 4; ++i) {
    GetMenuStringW(items[i].first, items[i].second, buffer, 128, MF_BYCOMMAND);
    EXPECT_EQ(FromW(buffer), Text(texts[i]));
  }

  LoadBuiltInTable(App().language);
  RelabelMainWindow();
  EXPECT_EQ(TextOf(MainControl(kCtlInsert)), Text(u"&Insert"));
  EXPECT_EQ(TextOf(MainControl(kCtlCharMapLink)), Text(u"Windows Character Map"));
}

// --- Embedded images -------------------------------------------------------------------

// The identifiers of the program's RCDATA resources that hold a PNG image.
std::vector<int> PngResources() {
  std::vector<int> ids;
  EnumResourceNamesW(
      GetModuleHandleW(nullptr), MAKEINTRESOURCEW(10) /* RT_RCDATA */,
      [](HMODULE module, LPCWSTR, LPWSTR name, LONG_PTR found) -> BOOL {
        if (!IS_INTRESOURCE(name)) return TRUE;
        HRSRC info = FindResourceW(module, name, MAKEINTRESOURCEW(10));
        const void* data = info ? LockResource(LoadResource(module, info)) : nullptr;
        if (data && SizeofResource(module, info) >= 8 && std::memcmp(data, "\x89PNG", 4) == 0)
          reinterpret_cast<std::vector<int>*>(found)->push_back(static_cast<int>(reinterpret_cast<ULONG_PTR>(name)));
        return TRUE;
      },
      reinterpret_cast<LONG_PTR>(&ids));
  return ids;
}

// Every embedded image decodes to the size its header gives, with an alpha
// channel; the pictures (all but the flags) are see-through around.
TEST(EmbeddedImages, EveryPngDecodesToItsSizeWithAlpha) {
  const std::vector<int> ids = PngResources();
  ASSERT_FALSE(ids.empty()) << "no PNG among the resources";
  for (int id : ids) {
    SCOPED_TRACE(id);
    HRSRC info = FindResourceW(nullptr, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(10));
    const auto* raw = static_cast<const unsigned char*>(LockResource(LoadResource(nullptr, info)));
    const int size = raw[16] << 24 | raw[17] << 16 | raw[18] << 8 | raw[19];  // IHDR width
    PngImage image;
    ASSERT_TRUE(LoadPngResource(id, image));
    EXPECT_EQ(image.width, size);
    EXPECT_EQ(image.height, size);
    ASSERT_EQ(image.rgba.size(), size_t(size * size * 4));
    int opaque = 0;
    for (size_t i = 3; i < image.rgba.size(); i += 4) opaque += image.rgba[i] == 255;
    EXPECT_GT(opaque, 0);
    const bool flag = id == IDR_PNG_FLAG_FR || id == IDR_PNG_FLAG_DE || id == IDR_PNG_FLAG_GB;
    if (!flag) EXPECT_EQ(image.rgba[3], 0) << "top-left corner";
  }
  PngImage missing;
  EXPECT_FALSE(LoadPngResource(999, missing));
}

TEST(EmbeddedImages, BrokenPngDataIsRejected) {
  const void* data = nullptr;
  size_t size = 0;
  ASSERT_TRUE(ResourceBytes(IDR_PNG_NEW, data, size));
  const auto* bytes = static_cast<const unsigned char*>(data);
  PngImage image;
  EXPECT_FALSE(DecodePng(bytes, size / 2, image));  // cut short
  EXPECT_TRUE(image.rgba.empty());
  std::vector<unsigned char> damaged(bytes, bytes + size);
  damaged[1] = 'X';  // no PNG signature
  EXPECT_FALSE(DecodePng(damaged.data(), damaged.size(), image));
  EXPECT_FALSE(DecodePng(nullptr, 0, image));
  EXPECT_TRUE(DecodePng(bytes, size, image));
}

std::vector<unsigned char> BitmapBytes(HBITMAP bitmap, int w, int h) {
  DIBSECTION section{};
  EXPECT_EQ(GetObjectW(bitmap, sizeof(section), &section), int(sizeof(section)));
  EXPECT_EQ(section.dsBm.bmBitsPixel, 32);
  const auto* bits = static_cast<const unsigned char*>(section.dsBm.bmBits);
  return std::vector<unsigned char>(bits, bits + w * h * 4);
}

TEST(EmbeddedImages, AlphaBitmapIsPremultipliedAndAreaAveraged) {
  // 2 x 2: opaque red, half-transparent white, clear, opaque blue.
  PngImage image;
  image.width = image.height = 2;
  image.rgba = {255, 0, 0, 255, 255, 255, 255, 128, 0, 0, 0, 0, 0, 0, 255, 255};
  HBITMAP same = CreateAlphaBitmap(image, 2, 2);
  ASSERT_NE(same, nullptr);
  EXPECT_EQ(
      BitmapBytes(same, 2, 2),  // B G R A, top-down
      (std::vector<unsigned char>{0, 0, 255, 255, 128, 128, 128, 128, 0, 0, 0, 0, 255, 0, 0, 255}));
  DeleteObject(same);
  HBITMAP one = CreateAlphaBitmap(image, 1, 1);
  EXPECT_EQ(BitmapBytes(one, 1, 1), (std::vector<unsigned char>{96, 32, 96, 160}));
  DeleteObject(one);

  // The real images at every size used: no colour above its alpha.
  for (int id : {IDR_PNG_NEW, IDR_PNG_QUIT}) {
    PngImage png;
    ASSERT_TRUE(LoadPngResource(id, png));
    for (int size : {16, 20, 30}) {
      HBITMAP bitmap = CreateAlphaBitmap(png, size, size);
      const auto bytes = BitmapBytes(bitmap, size, size);
      for (size_t i = 0; i < bytes.size(); i += 4)
        ASSERT_LE(std::max({bytes[i], bytes[i + 1], bytes[i + 2]}), bytes[i + 3])
            << id << " " << size;
      DeleteObject(bitmap);
    }
  }
  EXPECT_EQ(CreateAlphaBitmap(PngImage(), 4, 4), nullptr);
  EXPECT_EQ(CreateAlphaBitmap(image, 0, 4), nullptr);
}

}  // namespace
}  // namespace gw
