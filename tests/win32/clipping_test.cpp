// No caption is cut off, in any language file of lang/: every static text,
// link, check box, option button, push button, group box and list column
// header of every window, and the buttons of the message boxes, measured with
// the font that the control really uses (GetTextExtentPoint32 on its
// WM_GETFONT), fits the room that its control gives it, and every control
// lies within its window. Wine's fonts are wider than Segoe UI, so a caption
// that fits here fits on Windows.
//
// It measures at the screen's resolution: ctest runs it with the other tests
// at 96 DPI and once more at 144 DPI (win32_clipping_144dpi). A new window is
// one more row of kWindows.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "base/platform.h"
#include "mainwindow/announce_win32.h"
#include "mainwindow/text_size_win32.h"
#include "tests/win32/event_test_support.h"

namespace gw {
namespace {

using namespace testing_support;

constexpr int kMessageBox = -1;

struct WindowToCheck {
  const char* name;
  int number;                  // the window's number, or kMessageBox
  std::function<void()> open;  // nothing for the main window, which is always there
};

Event MainCommand(int command) { return MakeEvent(EventKind::Command, command); }

// Every window of the program and how the user opens it. A message box is
// measured while it is shown and then answered with its last button.
const WindowToCheck kWindows[] = {
    {"main window", MainWindow, nullptr},
    {"New", NewEntryWindow, [] { Dispatch(MainCommand(7)); }},
    {"Edit", EditEntryWindow,
     [] { Dispatch(MakeEvent(EventKind::Control, kCtlEdit, ControlClick)); }},
    {"Settings", SettingsWindow, [] { Dispatch(MainCommand(16)); }},
    {"About", AboutWindow, [] { Dispatch(MainCommand(13)); }},
    {"Find", FindEntryWindow, [] { Dispatch(MainCommand(21)); }},
    {"question box", kMessageBox,
     [] { ShowMessage(Tr(u"WinDelete", u"AskDelete"), MB_YESNO); }},
    {"error box", kMessageBox,
     [] { ShowMessage(Tr(u"General", u"ErrWrite"), MB_ICONERROR); }},
};

// One caption as it is shown, and the room its control gives it, in pixels.
struct Caption {
  std::string where;
  Text text;
  SIZE size{0, 0};
  int room = 0;
  int room_height = 0;
  bool sized_to_text = false;  // a link, as wide as its text needs
};

std::string Utf8(const Text& text) { return TextToUtf8(text); }

bool IsClass(HWND hwnd, const wchar_t* cls) { return lstrcmpiW(ClassOf(hwnd).c_str(), cls) == 0; }

// A caption as a control with prefix handling shows it: "&&" is "&", and a
// single "&" only underlines the letter after it.
Text Shown(const Text& text, bool prefix) {
  if (!prefix) return text;
  Text shown;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == u'&' && i + 1 < text.size()) ++i;
    shown.push_back(text[i]);
  }
  return shown;
}

// The text's size in the control's own font, and the width of "0" in it.
SIZE Measure(HWND control, HFONT font, const Text& text, int* zero_width = nullptr) {
  HDC dc = GetDC(control);
  HGDIOBJ old = SelectObject(dc, font ? static_cast<HGDIOBJ>(font) : GetStockObject(SYSTEM_FONT));
  SIZE size{0, 0};
  GetTextExtentPoint32W(dc, W(text), static_cast<int>(text.size()), &size);
  if (zero_width) {
    INT width = 0;
    GetCharWidth32W(dc, L'0', L'0', &width);
    *zero_width = width;
  }
  SelectObject(dc, old);
  ReleaseDC(control, dc);
  return size;
}

HFONT FontOf(HWND control) {
  return reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0));
}

int Dpi() { return App().dpi_x; }

// Room for the text of a check box or option button: the box and the gap
// after it (half a "0", as the button draws it) are not the text's.
int BoxAllowance(int zero_width) { return GetSystemMetrics(SM_CXMENUCHECK) + zero_width / 2; }

// The column headers of a list view: the header keeps three edges' widths
// free on either side of a column's text.
void AddColumnHeaders(HWND list, const std::string& where, std::vector<Caption>& out) {
  HWND header = ListView_GetHeader(list);
  if (!header) return;
  const int count = Header_GetItemCount(header);
  for (int i = 0; i < count; ++i) {
    wchar_t buffer[256] = {};
    HDITEMW item{};
    item.mask = HDI_TEXT | HDI_WIDTH;
    item.pszText = buffer;
    item.cchTextMax = 256;
    Header_GetItem(header, i, &item);
    Caption c;
    c.where = where + ", column " + std::to_string(i);
    c.text = reinterpret_cast<const char16_t*>(buffer);
    c.size = Measure(header, FontOf(header), c.text);
    c.room = item.cxy - 6 * GetSystemMetrics(SM_CXEDGE);
    RECT rect{};
    GetClientRect(header, &rect);
    c.room_height = rect.bottom;
    out.push_back(c);
  }
}

// Every caption of the window's own controls. `buttons_only` for a message
// box, whose text is wrapped to fit by Windows itself.
std::vector<Caption> CaptionsOf(HWND window, const std::string& name, bool buttons_only) {
  std::vector<Caption> captions;
  RECT client{};
  GetClientRect(window, &client);
  for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    const std::string where = name + ", control " + std::to_string(GetDlgCtrlID(child));
    RECT rect{};
    GetWindowRect(child, &rect);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&rect), 2);
    EXPECT_LE(rect.right, client.right) << where << " reaches beyond its window";
    EXPECT_GE(rect.left, 0) << where;

    // Announcements are spoken, never shown.
    if (child == LiveRegionOf(window)) continue;
    const LONG style = GetWindowLongW(child, GWL_STYLE);
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    if (IsClass(child, WC_LISTVIEWW)) {
      if (!buttons_only) AddColumnHeaders(child, where, captions);
      continue;
    }
    int margin = -1;
    bool prefix = true;
    bool box = false;
    bool link = false;
    if (IsClass(child, L"Static") && !buttons_only) {
      const LONG type = style & SS_TYPEMASK;
      if (type != SS_LEFT && type != SS_CENTER && type != SS_RIGHT && type != SS_LEFTNOWORDWRAP &&
          type != SS_SIMPLE)
        continue;  // a picture
      // A link (a static that takes the focus) draws its text as it is and
      // keeps two pixels on either side for the focus rectangle.
      link = style & WS_TABSTOP;
      prefix = !link && !(style & SS_NOPREFIX);
      margin = link ? 4 : 0;
    } else if (IsClass(child, L"Button")) {
      if (style & (BS_BITMAP | BS_ICON)) continue;  // a picture on the face
      switch (style & BS_TYPEMASK) {
        case BS_PUSHBUTTON:
        case BS_DEFPUSHBUTTON:
          // The raised edge and the focus rectangle inside it, either side.
          margin = 2 * (GetSystemMetrics(SM_CXEDGE) + 1);
          break;
        case BS_CHECKBOX:
        case BS_AUTOCHECKBOX:
        case BS_3STATE:
        case BS_AUTO3STATE:
        case BS_RADIOBUTTON:
        case BS_AUTORADIOBUTTON:
          if (buttons_only) break;
          box = true;
          margin = 0;
          break;
        case BS_GROUPBOX:
          // The frame's corner and a gap, either side.
          if (!buttons_only) margin = 2 * MulDiv(7, Dpi(), 96);
          break;
        default:
          break;
      }
    }
    if (margin < 0) continue;
    const Text text = Shown(WindowTextOf(child), prefix);
    if (text.empty()) continue;
    Caption c;
    c.where = where;
    c.text = text;
    int zero = 0;
    c.size = Measure(child, FontOf(child), text, &zero);
    c.room = width - margin - (box ? BoxAllowance(zero) : 0);
    c.room_height = height;
    c.sized_to_text = link;
    captions.push_back(c);
  }
  return captions;
}

// --- Message boxes: measured from a timer that runs in their modal loop ------------

std::vector<Caption>* g_box_captions = nullptr;
std::string g_box_name;
bool g_box_seen = false;

BOOL CALLBACK FindMessageBox(HWND hwnd, LPARAM found) {
  if (IsClass(hwnd, L"#32770") && IsWindowVisible(hwnd)) {
    *reinterpret_cast<HWND*>(found) = hwnd;
    return FALSE;
  }
  return TRUE;
}

void CALLBACK MeasureMessageBox(HWND, UINT, UINT_PTR timer, DWORD) {
  HWND box = nullptr;
  EnumThreadWindows(GetCurrentThreadId(), FindMessageBox, reinterpret_cast<LPARAM>(&box));
  if (!box) return;
  KillTimer(nullptr, timer);
  g_box_seen = true;
  *g_box_captions = CaptionsOf(box, g_box_name, true);
  HWND last = nullptr;
  for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    if (IsClass(child, L"Button")) last = child;
  if (last)
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(last), BN_CLICKED),
                 reinterpret_cast<LPARAM>(last));
}

std::vector<Caption> CaptionsOfWindow(const WindowToCheck& w, const std::string& where) {
  if (w.number == kMessageBox) {
    std::vector<Caption> captions;
    g_box_captions = &captions;
    g_box_name = where;
    g_box_seen = false;
    const UINT_PTR timer = SetTimer(nullptr, 0, 20, MeasureMessageBox);
    w.open();
    KillTimer(nullptr, timer);
    g_box_captions = nullptr;
    EXPECT_TRUE(g_box_seen) << where << " was not shown";
    return captions;
  }
  if (w.open) w.open();
  HWND window = w.number == MainWindow ? App().main_window : EntryWindowHandle(w.number);
  if (!window) {
    ADD_FAILURE() << where << " did not open";
    return {};
  }
  std::vector<Caption> captions = CaptionsOf(window, where, false);
  if (w.number != MainWindow) CloseEntryWindow(w.number);
  Drain();
  return captions;
}

Text SourceFolder() { return ToText(FromUnixPath(GW_SOURCE_DIR)) + u"\\"; }

class Clipping : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    AppState& app = App();
    if (!app.main_window) {
      // As start-up does: the layout follows the screen's resolution.
      HDC screen = GetDC(nullptr);
      app.dpi_x = GetDeviceCaps(screen, LOGPIXELSX);
      app.dpi_y = GetDeviceCaps(screen, LOGPIXELSY);
      ReleaseDC(nullptr, screen);
    }
    EnsureMainWindow();
  }

  static void TearDownTestSuite() {
    LoadBuiltInTable(App().language);
    RelabelMainWindow();
    App().settings = Settings();
  }

  void SetUp() override {
    SetMessageBoxHook(nullptr);
    ResetMainWindow();
  }
};

// Every caption of every window in every language of lang/, measured at the
// current DPI and text size; `what` names the run in the messages.
void CheckEveryCaptionInEveryLanguage(const std::string& what) {
  AppState& app = App();
  const Text folder = SourceFolder();
  const std::vector<Text> languages = ListLanguages(folder);
  ASSERT_GE(languages.size(), 3u);
  app.settings.LanguageList = languages;
  for (const Text& language : languages) {
    ASSERT_EQ(LoadLanguageFile(app.language, folder, language, false).status,
              LanguageLoadStatus::Loaded);
    app.settings.Language = language;
    RelabelMainWindow();
    const std::string prefix = Utf8(language) + " at " + std::to_string(Dpi()) + " DPI" + what + ", ";
    std::vector<Caption> all;
    for (const WindowToCheck& w : kWindows) {
      ResetMainWindow();
      std::vector<Caption> captions = CaptionsOfWindow(w, prefix + w.name);
      EXPECT_FALSE(captions.empty()) << prefix << w.name << " shows no caption";
      all.insert(all.end(), captions.begin(), captions.end());
    }
    for (const Caption& c : all) {
      EXPECT_LE(c.size.cx, c.room) << c.where << ": \"" << Utf8(c.text) << "\" needs " << c.size.cx
                                   << " pixels, its control gives " << c.room;
      EXPECT_LE(c.size.cy, c.room_height) << c.where << ": \"" << Utf8(c.text) << "\" is "
                                          << c.size.cy << " pixels high";
    }
    // For the record: the widest caption and the one with the least room to spare.
    if (all.empty()) continue;
    const auto widest = std::max_element(all.begin(), all.end(), [](const auto& a, const auto& b) {
      return a.size.cx < b.size.cx;
    });
    const auto tightest = std::min_element(all.begin(), all.end(), [](const auto& a, const auto& b) {
      const int spare_a = a.sized_to_text ? INT_MAX : a.room - a.size.cx;
      const int spare_b = b.sized_to_text ? INT_MAX : b.room - b.size.cx;
      return spare_a < spare_b;
    });
    for (const auto* c : {&*widest, &*tightest})
      std::printf("%s: \"%s\" %ld of %d pixels\n", c->where.c_str(), Utf8(c->text).c_str(),
                  c->size.cx, c->room);
  }
}

TEST_F(Clipping, EveryCaptionOfEveryWindowFitsInEveryLanguage) { CheckEveryCaptionInEveryLanguage(""); }

// The user made text larger: the system's message font is half as large
// again (set for this process, as the Settings app would for all), and the
// program hears of it through WM_SETTINGCHANGE.
TEST_F(Clipping, EveryCaptionFitsWithTheMessageFontHalfAsLargeAgain) {
  NONCLIENTMETRICSW saved{};
  saved.cbSize = sizeof(saved);
  ASSERT_TRUE(SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof(saved), &saved, 0));
  NONCLIENTMETRICSW larger = saved;
  larger.lfMessageFont.lfHeight = larger.lfMessageFont.lfHeight * 3 / 2;
  ASSERT_TRUE(SystemParametersInfoW(SPI_SETNONCLIENTMETRICS, sizeof(larger), &larger, 0));
  SendMessageW(App().main_window, WM_SETTINGCHANGE, SPI_SETNONCLIENTMETRICS, 0);
  struct Restore {
    NONCLIENTMETRICSW metrics;
    ~Restore() {
      SystemParametersInfoW(SPI_SETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0);
      SendMessageW(App().main_window, WM_SETTINGCHANGE, SPI_SETNONCLIENTMETRICS, 0);
    }
  } restore{saved};
  EXPECT_GE(TextScalePercent(), 140);
  LOGFONTW shown{};
  GetObjectW(MessageFontHandle(), sizeof(shown), &shown);
  EXPECT_NEAR(shown.lfHeight, larger.lfMessageFont.lfHeight, 1);
  // The main window at this text size must fit the screen to be measured:
  // the 1024 x 768 test screen holds it at 96 DPI, not at 144.
  RECT frame{};
  GetWindowRect(App().main_window, &frame);
  if (frame.right - frame.left > GetSystemMetrics(SM_CXSCREEN))
    GTEST_SKIP() << "the main window at 1.5 x text and " << Dpi() << " DPI is wider than this screen";
  // The list's font follows the message font.
  LOGFONTW list{};
  GetObjectW(reinterpret_cast<HFONT>(SendMessageW(App().list, WM_GETFONT, 0, 0)), sizeof(list), &list);
  EXPECT_LE(list.lfHeight, larger.lfMessageFont.lfHeight);
  CheckEveryCaptionInEveryLanguage(", message font 1.5x");
}

}  // namespace
}  // namespace gw
