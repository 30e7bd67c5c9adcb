// The keyboard alone: Enter on each kind of control, the Tab order against
// the reading order of every window, mnemonics in every language, close
// requests, Edit and Delete by key, and the tray icon from the keyboard.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "base/platform.h"
#include "mainwindow/menu_layout.h"
#include "settings/program_rules_panel_win32.h"
#include "settings/settings_window.h"
#include "tests/win32/event_test_support.h"

namespace gw {
namespace {

using namespace testing_support;

struct WindowToOpen {
  const char* name;
  int number;
  std::function<void()> open;  // nothing for the main window
};
const WindowToOpen kWindows[] = {
    {"main window", MainWindow, nullptr},
    {"New", NewEntryWindow, [] { Dispatch(MakeEvent(EventKind::Command, 7)); }},
    {"Edit", EditEntryWindow, [] { Dispatch(MakeEvent(EventKind::Command, kEditEntryCommand)); }},
    {"Settings", SettingsWindow, [] { Dispatch(MakeEvent(EventKind::Command, 16)); }},
    {"Find", FindEntryWindow, [] { Dispatch(MakeEvent(EventKind::Command, 21)); }},
};

HWND Open(const WindowToOpen& w) {
  if (w.open) w.open();
  return w.number == MainWindow ? App().main_window : EntryWindowHandle(w.number);
}

Text ClassOf(HWND hwnd) {
  wchar_t name[64] = {};
  GetClassNameW(hwnd, name, 64);
  return reinterpret_cast<const char16_t*>(name);
}

LONG Style(HWND hwnd) { return GetWindowLongW(hwnd, GWL_STYLE); }

// The letter after a single "&", upper-cased; 0 for none.
char16_t Mnemonic(const Text& caption) {
  for (size_t i = 0; i + 1 < caption.size(); ++i) {
    if (caption[i] != u'&') continue;
    if (caption[i + 1] == u'&') {
      ++i;
      continue;
    }
    return UpperChar(caption[i + 1]);
  }
  return 0;
}

// Runs the loop on window messages only, until one of them made an event;
// the events are left queued for the test to read.
void HandleMessagesUntilAnEvent() {
  ClearEventQueue();
  MSG msg;
  for (int step = 0; step < 2000 && QueuedEventCount() == 0 &&
                     PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE);
       ++step)
    RunLoopStep(false);
}

void PressEnterOn(HWND control) {
  SetFocus(control);
  Drain();
  PostMessageW(control, WM_KEYDOWN, VK_RETURN, 0x001C0001);
}

class KeyboardTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { EnsureMainWindow(); }
  void SetUp() override {
    ResetMainWindow();
    boxes_.Install();
  }
  void TearDown() override {
    SetMessageBoxHook(nullptr);
    LoadBuiltInTable(App().language);
    RelabelMainWindow();
    ResetMainWindow();
  }
  MessageRecorder boxes_;
};

TEST_F(KeyboardTest, EnterActsOnTheFocusedButtonCheckBoxOrLinkAndInsertsOnlyFromTheListOrInsert) {
  // Each control with the event that Enter makes of it: a click of its own,
  // or (the list) the Insert shortcut, command 0.
  const std::pair<int, Event> cases[] = {
      {kCtlDelete, MakeEvent(EventKind::Control, kCtlDelete, ControlClick)},
      {kCtlEdit, MakeEvent(EventKind::Control, kCtlEdit, ControlClick)},
      {kCtlNew, MakeEvent(EventKind::Control, kCtlNew, ControlClick)},
      {kCtlMenu, MakeEvent(EventKind::Control, kCtlMenu, ControlClick)},
      {kCtlCharMapLink, MakeEvent(EventKind::Control, kCtlCharMapLink, ControlClick)},
      {kCtlOnTop, MakeEvent(EventKind::Control, kCtlOnTop, ControlClick)},
      {kCtlInsert, MakeEvent(EventKind::Control, kCtlInsert, ControlClick)},
      {kCtlList, MakeEvent(EventKind::Command, 0)},
  };
  for (const auto& [id, expected] : cases) {
    PressEnterOn(MainControl(id));
    HandleMessagesUntilAnEvent();
    ASSERT_GE(QueuedEventCount(), 1u) << id;
    EXPECT_EQ(QueuedEvent(0), expected) << id;
    ClearEventQueue();
  }
  // The check box changed its state, as Space would have.
  EXPECT_EQ(SendMessageW(MainControl(kCtlOnTop), BM_GETCHECK, 0, 0), BST_CHECKED);
  SendMessageW(MainControl(kCtlOnTop), BM_SETCHECK, BST_UNCHECKED, 0);

  // Enter on Delete asks, with No as the default, and types nothing.
  int typed = 0;
  SetKeyInputHookForTesting([&typed](const std::vector<KeyRecord>&) { ++typed; });
  boxes_.answer = IDNO;
  PressEnterOn(MainControl(kCtlDelete));
  Drain();
  SetKeyInputHookForTesting(nullptr);
  ASSERT_EQ(boxes_.boxes.size(), 1u);
  EXPECT_EQ(boxes_.boxes[0].second & MB_DEFMASK, static_cast<unsigned>(MB_DEFBUTTON2));
  EXPECT_EQ(typed, 0);
  EXPECT_EQ(App().table.RowCount(), 6);
  EXPECT_EQ(GetFocus(), MainControl(kCtlDelete));

  // In the Settings window: Enter on a check box toggles it and the window
  // stays; on an option it is OK.
  Dispatch(MakeEvent(EventKind::Command, 16));
  HWND beep = EntryControl(SettingsWindow, kSetBeep);
  const LRESULT before = SendMessageW(beep, BM_GETCHECK, 0, 0);
  PressEnterOn(beep);
  Drain();
  EXPECT_NE(SendMessageW(beep, BM_GETCHECK, 0, 0), before);
  ASSERT_NE(EntryWindowHandle(SettingsWindow), nullptr);
  PressEnterOn(EntryControl(SettingsWindow, kSetStandard));
  HandleMessagesUntilAnEvent();
  ASSERT_GE(QueuedEventCount(), 1u);
  EXPECT_EQ(QueuedEvent(0), MakeEvent(EventKind::Command, 10, 0, SettingsWindow));
}

TEST_F(KeyboardTest, TabOrderFollowsTheReadingOrderAndTheDefaultRingFollowsTheFocus) {
  for (const WindowToOpen& w : kWindows) {
    ResetMainWindow();
    HWND window = Open(w);
    ASSERT_NE(window, nullptr) << w.name;
    // The controls that Tab reaches, in the order it reaches them.
    std::vector<HWND> tabbed;
    HWND first = GetNextDlgTabItem(window, nullptr, FALSE);
    for (HWND c = first; c && tabbed.size() < 40; c = GetNextDlgTabItem(window, c, FALSE)) {
      if (!tabbed.empty() && c == first) break;
      tabbed.push_back(c);
    }
    ASSERT_GE(tabbed.size(), 2u) << w.name;
    // Reading order: rows from top to bottom (a control whose top lies above
    // the middle of the row's first control is in that row), left to right.
    std::vector<HWND> read = tabbed;
    std::vector<RECT> rects;
    auto rect_of = [window](HWND c) {
      RECT r{};
      GetWindowRect(c, &r);
      MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&r), 2);
      return r;
    };
    std::stable_sort(read.begin(), read.end(), [&](HWND a, HWND b) {
      return rect_of(a).top < rect_of(b).top;
    });
    // A group box in the right half of a window starts a second column,
    // read after the first; what lies below it is read last (the Settings
    // window's rules, then OK and Cancel).
    RECT client{};
    GetClientRect(window, &client);
    int column_split = INT_MAX, column_bottom = INT_MAX;
    for (HWND c = GetWindow(window, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
      if (ClassOf(c) == u"Button" && (Style(c) & BS_TYPEMASK) == BS_GROUPBOX &&
          rect_of(c).left > client.right / 2) {
        column_split = std::min<int>(column_split, rect_of(c).left);
        column_bottom = rect_of(c).bottom;
      }
    auto block_of = [&](const RECT& r) {
      return r.top >= column_bottom ? 2 : r.left >= column_split ? 1 : 0;
    };
    std::vector<std::pair<std::pair<int, int>, HWND>> ordered;
    for (int column = 0; column < 3; ++column) {
      int row = -1, row_middle = INT_MIN;
      for (HWND c : read) {
        const RECT r = rect_of(c);
        if (block_of(r) != column) continue;
        if (r.top >= row_middle) {
          ++row;
          row_middle = (r.top + r.bottom) / 2;
        }
        ordered.push_back({{column * 1000 + row, r.left}, c});
      }
    }
    std::stable_sort(ordered.begin(), ordered.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<HWND> expected;
    for (const auto& entry : ordered) expected.push_back(entry.second);
    EXPECT_EQ(tabbed, expected) << w.name;

    // Of an option group only the chosen option is a tab stop.
    for (HWND c = GetWindow(window, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
      if (ClassOf(c) != u"Button" || (Style(c) & BS_TYPEMASK) != BS_AUTORADIOBUTTON ||
          !IsWindowEnabled(c))
        continue;
      EXPECT_EQ((Style(c) & WS_TABSTOP) != 0, SendMessageW(c, BM_GETCHECK, 0, 0) == BST_CHECKED)
          << w.name << " option " << GetDlgCtrlID(c);
    }

    // Tab through it all: a focused push button has the ring, and when the
    // focus is elsewhere the window's own default button has it again.
    HWND home = nullptr;
    for (HWND c : tabbed)
      if (ClassOf(c) == u"Button" && (Style(c) & BS_TYPEMASK) == BS_DEFPUSHBUTTON) home = c;
    for (HWND c : tabbed) {
      SetFocus(c);
      Drain();
      const bool push = ClassOf(c) == u"Button" && (SendMessageW(c, WM_GETDLGCODE, 0, 0) &
                                                    (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON));
      HWND ring = push ? c : home;
      for (HWND b : tabbed) {
        if (ClassOf(b) != u"Button" || !(SendMessageW(b, WM_GETDLGCODE, 0, 0) &
                                         (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)))
          continue;
        EXPECT_EQ((Style(b) & BS_TYPEMASK) == BS_DEFPUSHBUTTON, b == ring)
            << w.name << ": focus on " << GetDlgCtrlID(c) << ", button " << GetDlgCtrlID(b);
      }
    }
    if (w.number != MainWindow) CloseEntryWindow(w.number);
    Drain();
  }
}

TEST_F(KeyboardTest, EveryLabelCheckBoxAndOptionHasAMnemonicUniqueInItsWindowInEveryLanguage) {
  AppState& app = App();
  Text folder = u"Z:" + AsciiToText(GW_SOURCE_DIR) + u"\\";
  std::replace(folder.begin(), folder.end(), u'/', u'\\');
  const std::vector<Text> languages = ListLanguages(folder);
  ASSERT_GE(languages.size(), 3u);
  for (const Text& language : languages) {
    ASSERT_EQ(LoadLanguageFile(app.language, folder, language, false).status,
              LanguageLoadStatus::Loaded);
    RelabelMainWindow();
    for (const WindowToOpen& w : kWindows) {
      ResetMainWindow();
      HWND window = Open(w);
      ASSERT_NE(window, nullptr) << w.name;
      std::vector<std::pair<char16_t, Text>> seen;
      for (HWND c = GetWindow(window, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        if (!IsWindowVisible(c)) continue;
        const Text text = WindowTextOf(c);
        const Text cls = ClassOf(c);
        const LONG type = Style(c) & BS_TYPEMASK;
        // A static that takes the focus is a link, not a label.
        const bool label = cls == u"Static" && !text.empty() && !(Style(c) & WS_TABSTOP);
        const bool box_or_option = cls == u"Button" && (type == BS_AUTOCHECKBOX ||
                                                        type == BS_AUTORADIOBUTTON);
        const char16_t key = Mnemonic(text);
        if (label || box_or_option)
          EXPECT_NE(key, 0) << TextToUtf8(language) << ", " << w.name << ": \"" << TextToUtf8(text) << "\"";
        if (key == 0) continue;
        for (const auto& [other_key, other] : seen)
          EXPECT_NE(other_key, key) << TextToUtf8(language) << ", " << w.name << ": \"" << TextToUtf8(text)
                                    << "\" and \"" << TextToUtf8(other) << "\"";
        seen.push_back({key, text});
      }
      if (w.number != MainWindow) CloseEntryWindow(w.number);
      Drain();
    }
  }
}

TEST_F(KeyboardTest, AMnemonicFocusesTheLabelledFieldOrActsOnItsControl) {
  Dispatch(MakeEvent(EventKind::Command, 16));
  HWND window = EntryWindowHandle(SettingsWindow);
  ASSERT_NE(window, nullptr);
  // Alt+K: the Hotkey label gives the focus to the hotkey field.
  PostMessageW(GetFocus(), WM_SYSCHAR, L'k', 0x20000001);
  Drain();
  EXPECT_EQ(GetFocus(), EntryControl(SettingsWindow, kSetHotkey));
  // Alt+B toggles Beep and focuses it (from a control other than the hotkey
  // field, which takes every key with Alt for itself).
  SetFocus(EntryControl(SettingsWindow, kSetHtml));
  Drain();
  HWND beep = EntryControl(SettingsWindow, kSetBeep);
  const LRESULT before = SendMessageW(beep, BM_GETCHECK, 0, 0);
  PostMessageW(GetFocus(), WM_SYSCHAR, L'b', 0x20000001);
  Drain();
  EXPECT_EQ(GetFocus(), beep);
  EXPECT_NE(SendMessageW(beep, BM_GETCHECK, 0, 0), before);
  // The rules panel's labels work alike: Alt+I ("Insert by:") focuses the box after it.
  PostMessageW(GetFocus(), WM_SYSCHAR, L'i', 0x20000001);
  Drain();
  EXPECT_EQ(GetFocus(), EntryControl(SettingsWindow, kSetMethod));
}

TEST_F(KeyboardTest, AltF4AndTheCloseCommandCancelTheSecondaryWindows) {
  std::vector<WindowToOpen> windows(std::begin(kWindows), std::end(kWindows));
  windows.push_back({"About", AboutWindow, [] { Dispatch(MakeEvent(EventKind::Command, 13)); }});
  for (const WindowToOpen& w : windows) {
    if (w.number == MainWindow) continue;
    for (bool alt_f4 : {true, false}) {
      ResetMainWindow();
      HWND window = Open(w);
      ASSERT_NE(window, nullptr) << w.name;
      if (alt_f4)
        PostMessageW(GetFocus(), WM_SYSKEYDOWN, VK_F4, 0x203E0001);  // context code: Alt held
      else
        PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
      ASSERT_TRUE(PumpUntil([&] { return EntryWindowHandle(w.number) == nullptr; }, 3000))
          << w.name << (alt_f4 ? " Alt+F4" : " SC_CLOSE");
      EXPECT_TRUE(IsWindowEnabled(App().main_window));
    }
  }
  EXPECT_TRUE(boxes_.boxes.empty());
}

TEST_F(KeyboardTest, F2EditsAndDelDeletesOnlyInTheListAndBothAreInTheMenuWithTheirKeys) {
  // Del outside the list does nothing.
  SetFocus(MainControl(kCtlInsert));
  Dispatch(MakeEvent(EventKind::Command, 27));
  EXPECT_TRUE(boxes_.boxes.empty());
  SetFocus(App().list);
  boxes_.answer = IDNO;
  Dispatch(MakeEvent(EventKind::Command, 27));
  ASSERT_EQ(boxes_.boxes.size(), 1u);
  EXPECT_EQ(GetFocus(), App().list);  // back where it was
  Dispatch(MakeEvent(EventKind::Command, kEditEntryCommand));
  EXPECT_NE(EntryWindowHandle(EditEntryWindow), nullptr);
  CloseEntryWindow(EditEntryWindow);
  EXPECT_EQ(GetFocus(), App().list);
  // The menu items show their keys.
  const HMENU menu = MainMenuHandle();
  wchar_t text[64] = {};
  GetMenuStringW(menu, kEditEntryCommand, text, 64, MF_BYCOMMAND);
  EXPECT_EQ(Text(reinterpret_cast<const char16_t*>(text)), u"&Edit item\tF2");
  GetMenuStringW(menu, kDeleteEntryCommand, text, 64, MF_BYCOMMAND);
  EXPECT_EQ(Text(reinterpret_cast<const char16_t*>(text)), u"&Delete item\tDel");
}

TEST_F(KeyboardTest, TheTrayIconAnswersEnterAndTheMenuKey) {
  HWND main = App().main_window;
  ShowWindow(main, SW_HIDE);
  // Enter on the icon (version 4: the notification in the low word).
  SendMessageW(main, kTrayCallbackMessage, 0, MAKELPARAM(NIN_KEYSELECT, 1));
  ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(main) != FALSE; }));
  // The menu key: TrayMenu at the icon's position, closed again soon.
  SetTimer(nullptr, 0, 200, [](HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    EndMenu();
  });
  SendMessageW(main, kTrayCallbackMessage, MAKEWPARAM(300, 200), MAKELPARAM(WM_CONTEXTMENU, 1));
  ASSERT_GE(QueuedEventCount(), 1u);
  const Event menu = QueuedEvent(QueuedEventCount() - 1);
  EXPECT_EQ(menu.type, kTrayKeyMenu);
  EXPECT_EQ(menu.key, static_cast<int>(MAKELONG(300, 200)));
  Drain();
  EXPECT_TRUE(Loop().TrayMenuShown);
}

}  // namespace
}  // namespace gw
