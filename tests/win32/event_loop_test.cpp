// The event loop with the real main window: the queue rule, the dispatch of
// commands, controls, tray clicks and timers, the focus and status-bar
// bookkeeping, the focus tracker and the reread of a changed character file.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <utility>

#include "base/placeholders.h"
#include "base/platform.h"
#include "table/character_file.h"
#include "table/unreadable_file.h"
#include "tests/win32/event_test_support.h"

namespace gw {
namespace {

using namespace testing_support;

// Closes an open popup menu shortly after it opened (the menu's own modal
// loop dispatches the timer).
void CloseMenuSoon() {
  SetTimer(nullptr, 0, 100, [](HWND, UINT, UINT_PTR id, DWORD) {
    KillTimer(nullptr, id);
    EndMenu();
  });
}

class EventLoopTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { EnsureMainWindow(); }

  void SetUp() override {
    ASSERT_NE(App().main_window, nullptr);
    saved_settings_ = App().settings;
    ResetMainWindow();
    boxes_.Install();
  }

  void TearDown() override {
    SetMessageBoxHook(nullptr);
    SetFileWriteHook(nullptr);
    AppState& app = App();
    app.settings = saved_settings_;
    SetWindowPos(app.main_window, HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    SendMessageW(MainControl(kCtlOnTop), BM_SETCHECK, BST_UNCHECKED, 0);
    app.character_path.clear();
    app.settings_path.clear();
    app.file_stamp = 0;
    ResetMainWindow();
  }

  // A fresh folder for the test's files.
  std::filesystem::path Folder() {
    if (!folder_) folder_ = std::make_unique<TempFolder>("gw-loop-");
    return folder_->path();
  }

  MessageRecorder boxes_;
  Settings saved_settings_;
  std::unique_ptr<TempFolder> folder_;
};

// --- The queue --------------------------------------------------------------------------

TEST_F(EventLoopTest, QueueDropsARepeatOfTheLastEventButKeepsPostedOnesInOrder) {
  const Event copy = MakeEvent(EventKind::Command, 2);
  const Event other_window = MakeEvent(EventKind::Command, 2, 0, NewEntryWindow);
  const Event timer = MakeEvent(EventKind::Timer, 1);

  QueueEvent(copy);
  QueueEvent(copy);  // equal to the last queued one: dropped
  EXPECT_EQ(QueuedEventCount(), 1u);
  PostEvent(copy);  // posted: always kept
  PostEvent(copy);
  EXPECT_EQ(QueuedEventCount(), 3u);
  QueueEvent(other_window);  // differs in the window only
  QueueEvent(timer);
  QueueEvent(copy);  // equal to an earlier event, but not to the last one
  QueueEvent(copy);
  ASSERT_EQ(QueuedEventCount(), 6u);

  const Event expected[] = {copy, copy, copy, other_window, timer, copy};
  for (const Event& want : expected) {
    Event got;
    ASSERT_TRUE(TakeEvent(got));
    EXPECT_EQ(got, want);
  }
  Event none;
  EXPECT_FALSE(TakeEvent(none));
  // An emptied queue takes the same event again.
  QueueEvent(copy);
  EXPECT_EQ(QueuedEventCount(), 1u);
  ClearEventQueue();
}

TEST_F(EventLoopTest, PostingWakesALoopThatWaitsForWindowMessages) {
  App().settings.Beep = false;
  Drain();
  ASSERT_EQ(HIWORD(GetQueueStatus(QS_POSTMESSAGE)), 0u);
  PostEvent(MakeEvent(EventKind::TriggerKey));
  // A GetMessageW waiting for input returns for the wake-up message.
  EXPECT_NE(HIWORD(GetQueueStatus(QS_POSTMESSAGE)) & QS_POSTMESSAGE, 0u);
  // The blocking loop step therefore returns, having handled the event.
  Loop().TriggerFound = false;
  EXPECT_TRUE(RunLoopStep(true));
  EXPECT_EQ(QueuedEventCount(), 0u);
  EXPECT_TRUE(RunLoopStep(true));  // the wake-up message itself, without blocking
}

TEST_F(EventLoopTest, WindowMessagesBecomeEventsOfTheirKind) {
  HWND main = App().main_window;
  SendMessageW(main, WM_COMMAND, MAKEWPARAM(13, 0), 0);                  // menu item
  SendMessageW(main, WM_COMMAND, MAKEWPARAM(kCtlInsert, BN_CLICKED),     // button
               reinterpret_cast<LPARAM>(MainControl(kCtlInsert)));
  SendMessageW(main, kTrayCallbackMessage, 1, WM_RBUTTONUP);
  SendMessageW(main, kTrayCallbackMessage, 1, WM_MOUSEMOVE);  // no event
  SendMessageW(main, WM_TIMER, 1, 0);
  SendMessageW(main, WM_CLOSE, 0, 0);
  ASSERT_TRUE(IsWindow(main));  // the close request leaves the window alone
  SendMessageW(main, WM_HOTKEY, 1, MAKELPARAM(0, VK_F10));

  const Event expected[] = {
      MakeEvent(EventKind::Command, 13),
      MakeEvent(EventKind::Control, kCtlInsert, ControlClick),
      MakeEvent(EventKind::Tray, 1, 1),
      MakeEvent(EventKind::Timer, 1),
      MakeEvent(EventKind::Close),
      MakeEvent(EventKind::Hotkey),
  };
  ASSERT_EQ(QueuedEventCount(), std::size(expected));
  for (size_t k = 0; k < std::size(expected); ++k) EXPECT_EQ(QueuedEvent(k), expected[k]) << k;
  ClearEventQueue();
}

// --- Commands and controls ---------------------------------------------------------------

TEST_F(EventLoopTest, CommandsSetCommandPendingAndClearTheStatusAsTheirTableSays) {
  struct Case {
    int command;
    bool pending_before;
    bool pending_after;
    bool status_cleared;
  } cases[] = {
      {13, false, true, true},   // About
      {16, false, true, true},   // Settings
      {17, true, false, false},  // Go to character file
  };
  // (Update, 14, goes to the web site; tests/win32/update_check_test.cpp has it.)
  for (const Case& c : cases) {
    SetStatusText(u"before");
    Loop().CommandPending = c.pending_before;
    if (c.command == 17)
      App().character_path = ToText(std::filesystem::temp_directory_path() / "gw-missing.json");
    Dispatch(MakeEvent(EventKind::Command, c.command));
    EXPECT_EQ(Loop().CommandPending, c.pending_after) << c.command;
    EXPECT_EQ(StatusText(), c.status_cleared ? u"" : u"before") << c.command;
    EXPECT_EQ(App().last_focused_control, kCtlList) << c.command;
    if (c.command == 13) CloseEntryWindow(AboutWindow);
    if (c.command == 16) {
      CloseEntryWindow(SettingsWindow);
      Drain();
    }
    // Explorer is asked to show the file even when there is none.
    if (c.command == 17) EXPECT_EQ(CloseExplorerWindows(), 1);
  }
}

TEST_F(EventLoopTest, ImageButtonsReactToAClickOrAReleasedSpaceOnly) {
  for (int id : {kCtlDelete, kCtlEdit, kCtlNew}) {
    App().last_focused_control = kCtlList;
    Loop().CommandPending = false;
    Event enter = MakeEvent(EventKind::Control, id, ControlKeyReleased);
    enter.key = VK_RETURN;
    Dispatch(enter);
    EXPECT_EQ(App().last_focused_control, kCtlList) << id;
    EXPECT_FALSE(Loop().CommandPending) << id;

    Event space = enter;
    space.key = VK_SPACE;
    Dispatch(space);
    EXPECT_EQ(App().last_focused_control, id);
    EXPECT_TRUE(Loop().CommandPending);

    App().last_focused_control = kCtlList;
    Loop().CommandPending = false;
    Dispatch(MakeEvent(EventKind::Control, id, ControlClick));
    EXPECT_EQ(App().last_focused_control, id);
    EXPECT_TRUE(Loop().CommandPending);
  }
  // The link reacts to anything; the list only records that it was used.
  Loop().CommandPending = false;
  Dispatch(MakeEvent(EventKind::Control, kCtlCharMapLink, ControlClick));
  EXPECT_EQ(App().last_focused_control, kCtlCharMapLink);
  EXPECT_TRUE(Loop().CommandPending);
  Dispatch(MakeEvent(EventKind::Control, kCtlList, ControlOther));
  EXPECT_EQ(App().last_focused_control, kCtlList);
  EXPECT_TRUE(Loop().CommandPending);
}

TEST_F(EventLoopTest, CtrlNFocusesTheNewButtonAndRemembersIt) {
  Dispatch(MakeEvent(EventKind::Command, 7));
  EXPECT_NE(EntryWindowHandle(NewEntryWindow), nullptr);
  EXPECT_EQ(App().last_focused_control, kCtlNew);
  EXPECT_TRUE(Loop().CommandPending);
  CloseEntryWindow(NewEntryWindow);
  EXPECT_EQ(GetFocus(), MainControl(kCtlNew));
}

TEST_F(EventLoopTest, MainMenuFromShiftF10ClearsTheStatusAndTheClosedMenuBringsTheInfoBack) {
  CloseMenuSoon();
  QueueEvent(MakeEvent(EventKind::Command, 6));
  Event event;
  ASSERT_TRUE(TakeEvent(event));
  DispatchEvent(event);  // returns when the menu has closed
  EXPECT_EQ(GetFocus(), MainControl(kCtlMenu));
  EXPECT_EQ(App().last_focused_control, kCtlMenu);
  EXPECT_TRUE(Loop().CommandPending);
  EXPECT_EQ(StatusText(), u"");

  // The menu's closing was posted while it closed.
  bool closed_event = false;
  for (size_t k = 0; k < QueuedEventCount(); ++k)
    closed_event |= QueuedEvent(k).kind == EventKind::MainMenuClosed;
  EXPECT_TRUE(closed_event);
  Drain();
  EXPECT_EQ(StatusText(), InfoStatusText());
}

TEST_F(EventLoopTest, QuitAsksWhenConfirmEndIsOnAndANoKeepsEverything) {
  App().settings.ConfirmEnd = true;
  boxes_.answer = IDNO;
  Loop().CommandPending = true;
  Dispatch(MakeEvent(EventKind::Command, 20));
  ASSERT_EQ(boxes_.boxes.size(), 1u);
  EXPECT_EQ(boxes_.boxes[0].first, Tr(u"General", u"AskQuit"));
  EXPECT_EQ(boxes_.boxes[0].second, static_cast<unsigned>(MB_YESNO));
  EXPECT_FALSE(Loop().CommandPending);
  // The close button asks the same question.
  Dispatch(MakeEvent(EventKind::Close));
  EXPECT_EQ(boxes_.boxes.size(), 2u);
  EXPECT_TRUE(IsWindowVisible(App().main_window));
  // A close request of a secondary window asks nothing.
  Dispatch(MakeEvent(EventKind::Close, 0, 0, SettingsWindow));
  EXPECT_EQ(boxes_.boxes.size(), 2u);
}

// --- Showing, hiding and the tray ----------------------------------------------------------

TEST_F(EventLoopTest, EscPutsTheWindowIntoTheTrayAndATrayClickBringsItBackToTheList) {
  HWND main = App().main_window;
  ASSERT_EQ(GetActiveWindow(), main);
  SetFocus(MainControl(kCtlInsert));
  PostMessageW(App().list, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
  Drain();
  EXPECT_FALSE(IsWindowVisible(main));
  EXPECT_TRUE(TrayItemEnabled(18));
  EXPECT_FALSE(TrayItemEnabled(19));

  // Left click on the tray icon: shown, in front, the list focused.
  Dispatch(MakeEvent(EventKind::Tray, 1, 0));
  ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(main) && GetFocus() == App().list; }));
  EXPECT_FALSE(IsIconic(main));
  EXPECT_EQ(GetForegroundWindow(), main);
  EXPECT_FALSE(TrayItemEnabled(18));
  EXPECT_TRUE(TrayItemEnabled(19));

  // The next left click puts it into the tray again.
  Dispatch(MakeEvent(EventKind::Tray, 1, 0));
  EXPECT_FALSE(IsWindowVisible(main));
}

TEST_F(EventLoopTest, TrayMenuOpenedInTheTrayLeavesTheWindowThereOnDeactivation) {
  HWND main = App().main_window;
  Dispatch(MakeEvent(EventKind::Command, 19));  // Hide
  ASSERT_FALSE(IsWindowVisible(main));
  ClearEventQueue();

  CloseMenuSoon();
  QueueEvent(MakeEvent(EventKind::Tray, 1, 1));
  Event event;
  ASSERT_TRUE(TakeEvent(event));
  DispatchEvent(event);
  EXPECT_TRUE(Loop().TrayMenuShown);

  // Clicking elsewhere deactivates the (minimised) window: back into the tray.
  if (!IsIconic(main)) ShowWindow(main, SW_SHOWMINNOACTIVE);
  ClearEventQueue();
  Dispatch(MakeEvent(EventKind::Deactivate));
  EXPECT_FALSE(IsWindowVisible(main));
  EXPECT_FALSE(Loop().TrayMenuShown);
  EXPECT_TRUE(TrayItemEnabled(18));

  // Without the tray menu a deactivation changes nothing.
  ResetMainWindow();
  Dispatch(MakeEvent(EventKind::Deactivate));
  EXPECT_TRUE(IsWindowVisible(main));
}

TEST_F(EventLoopTest, AClosedTrayMenuLeavesANullMessageForTheMainWindow) {
  HWND main = App().main_window;
  CloseMenuSoon();
  QueueEvent(MakeEvent(EventKind::Tray, 1, 1));
  Event event;
  ASSERT_TRUE(TakeEvent(event));
  DispatchEvent(event);  // no more than that: the loop would take the message
  // Without it the next tray menu can close at once, or stay open after a
  // click elsewhere.
  bool null_message = false;
  MSG msg;
  while (PeekMessageW(&msg, main, 0, 0, PM_REMOVE)) {
    null_message = null_message || msg.message == WM_NULL;
    DispatchMessageW(&msg);
  }
  EXPECT_TRUE(null_message);
}

TEST_F(EventLoopTest, HotkeyWhileASecondaryWindowIsOpenActivatesThatWindow) {
  HWND main = App().main_window;
  OpenNewEntryWindowNow();
  Drain();
  HWND window = EntryWindowHandle(NewEntryWindow);
  ASSERT_NE(window, nullptr);
  // The user goes on working elsewhere, then presses the hotkey.
  HWND elsewhere = CreateWindowExW(0, L"STATIC", L"elsewhere", WS_POPUP | WS_VISIBLE, 0, 0, 50,
                                   50, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(elsewhere, nullptr);
  SetForegroundWindow(elsewhere);
  ASSERT_TRUE(PumpUntil([&] { return GetForegroundWindow() == elsewhere; }));
  SendMessageW(main, WM_HOTKEY, 1, MAKELPARAM(0, VK_F10));
  Drain();
  // The open window, not the disabled main window behind it.
  EXPECT_TRUE(PumpUntil([&] { return GetForegroundWindow() == window; }))
      << "in front: " << GetForegroundWindow() << ", main window " << main;
  EXPECT_FALSE(IsWindowEnabled(main));
  DestroyWindow(elsewhere);
}

TEST_F(EventLoopTest, ActivationFocusesTheLastControlAfterACommandAndTheListOtherwise) {
  App().last_focused_control = kCtlMenu;
  Loop().CommandPending = true;
  Dispatch(MakeEvent(EventKind::Activate));
  EXPECT_EQ(GetFocus(), MainControl(kCtlMenu));
  EXPECT_FALSE(Loop().CommandPending);
  EXPECT_FALSE(TrayItemEnabled(18));
  EXPECT_TRUE(TrayItemEnabled(19));

  Dispatch(MakeEvent(EventKind::Activate));
  EXPECT_EQ(GetFocus(), App().list);
}

TEST_F(EventLoopTest, HotkeyShowsAWindowThatWasInTheTray) {
  HWND main = App().main_window;
  Dispatch(MakeEvent(EventKind::Command, 19));
  ASSERT_FALSE(IsWindowVisible(main));
  // WM_HOTKEY goes through the message filter.
  SendMessageW(main, WM_HOTKEY, 1, MAKELPARAM(0, VK_F10));
  ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(main) && GetFocus() == App().list; }));
  EXPECT_FALSE(IsIconic(main));
}

// --- The tray icon ----------------------------------------------------------------------------

// The shell as the tray icon meets it: not there yet at logon, or so busy
// that it answers no and carries the add out later.
struct FakeShell {
  bool ready = false;
  bool busy = false;
  bool icon = false;
  unsigned last_message = 0, last_flags = 0, add_flags = 0;

  bool Call(unsigned message, unsigned flags) {
    last_message = message;
    last_flags = flags;
    if (message == NIM_ADD) add_flags = flags;
    if (message == NIM_SETVERSION) return icon;
    if (message == NIM_ADD && ready && !icon) return (icon = true) && !busy;
    if (!ready || busy) return false;
    if (message == NIM_DELETE) return std::exchange(icon, false);
    return message == NIM_MODIFY && icon;
  }
};

TEST_F(EventLoopTest, TrayIconIsTriedAgainOnTimer2AndRemovedAtTheEndAfterAnAddThatSaidNo) {
  AppState& app = App();
  HWND main = app.main_window;
  FakeShell shell;
  SetTrayCallHookForTesting([&](unsigned message, unsigned flags) { return shell.Call(message, flags); });
  struct Restore {
    ~Restore() {
      SetTrayCallHookForTesting(nullptr);
      KillTimer(App().main_window, 2);
      App().tray_icon = nullptr;
      App().tray_added = false;
      App().tray_tip.clear();
    }
  } restore;
  app.tray_icon = LoadIconW(nullptr, IDI_APPLICATION);
  app.tray_tip = u"Glyphwell (F10)";

  // At logon the taskbar is not there yet.
  AddTrayIcon(app.tray_icon);
  Dispatch(MakeEvent(EventKind::Timer, 2));
  EXPECT_FALSE(shell.icon);
  shell.ready = true;
  Dispatch(MakeEvent(EventKind::Timer, 2));
  EXPECT_TRUE(shell.icon);
  EXPECT_EQ(shell.add_flags & (NIF_TIP | NIF_SHOWTIP), unsigned(NIF_TIP | NIF_SHOWTIP));
  EXPECT_EQ(shell.last_message, unsigned(NIM_MODIFY));  // with the tooltip
  EXPECT_EQ(shell.last_flags, unsigned(NIF_TIP | NIF_SHOWTIP));
  EXPECT_FALSE(KillTimer(main, 2)) << "the tries stop once the icon is there";
  RemoveTrayIcon();
  EXPECT_FALSE(shell.icon);

  // An add that said no and was carried out later: the end removes the icon
  // all the same, and the next try finds it there.
  shell.busy = true;
  AddTrayIcon(app.tray_icon);
  shell.busy = false;
  ASSERT_TRUE(shell.icon);
  RemoveTrayIcon();
  EXPECT_FALSE(shell.icon);
  shell.busy = true;
  AddTrayIcon(app.tray_icon);
  shell.busy = false;
  Dispatch(MakeEvent(EventKind::Timer, 2));
  EXPECT_TRUE(app.tray_added);
  EXPECT_FALSE(KillTimer(main, 2));
  RemoveTrayIcon();
  EXPECT_FALSE(shell.icon);
}

// --- Timers ------------------------------------------------------------------------------------

TEST_F(EventLoopTest, RestartingATimerDropsItsQueuedFiringsAndTheFiringRestoresTheInfo) {
  HWND main = App().main_window;
  StartMainTimer(1, 60000);
  QueueEvent(MakeEvent(EventKind::Timer, 1));
  QueueEvent(MakeEvent(EventKind::Timer, 0));
  QueueEvent(MakeEvent(EventKind::Timer, 1));
  StartMainTimer(1, 60000);
  ASSERT_EQ(QueuedEventCount(), 1u);
  EXPECT_EQ(QueuedEvent(0), MakeEvent(EventKind::Timer, 0));
  ClearEventQueue();

  SetStatusText(u" copied");
  Dispatch(MakeEvent(EventKind::Timer, 1));
  EXPECT_EQ(StatusText(), InfoStatusText());
  // The firing removed the timer: it acts once.
  EXPECT_FALSE(KillTimer(main, 1));
}

// --- Status bar, focus tracker and reread -------------------------------------------------

TEST_F(EventLoopTest, FocusTrackerPostsLostAndGainedForCheckBoxesAndListsOnly) {
  HWND main = App().main_window;
  HDC dc = GetDC(main);
  auto erase = [&] { SendMessageW(main, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0); };
  SetFocus(App().list);
  erase();
  ClearEventQueue();

  SetFocus(MainControl(kCtlOnTop));
  erase();
  ASSERT_EQ(QueuedEventCount(), 2u);
  EXPECT_EQ(QueuedEvent(0), MakeEvent(EventKind::Control, kCtlList, FocusLost));
  EXPECT_EQ(QueuedEvent(1), MakeEvent(EventKind::Control, kCtlOnTop, FocusGained));
  ClearEventQueue();

  erase();  // nothing changed
  EXPECT_EQ(QueuedEventCount(), 0u);

  SetFocus(MainControl(kCtlInsert));  // a push button is not tracked
  erase();
  ASSERT_EQ(QueuedEventCount(), 1u);
  EXPECT_EQ(QueuedEvent(0), MakeEvent(EventKind::Control, kCtlOnTop, FocusLost));
  ClearEventQueue();
  ReleaseDC(main, dc);
}

TEST_F(EventLoopTest, ChangedCharacterFileIsRereadOnActivationAndItsMessageStaysUntilTheFocusMoves) {
  AppState& app = App();
  app.character_path = ToText(Folder() / "Characters.json");
  CharacterTable changed;
  changed.AppendRow({u"", u"\\u00E9", u"e acute"});
  changed.AppendRow({u"x", u"\\u00D7", u"times"});
  ASSERT_TRUE(WriteCharacterFile(changed, app.character_path, -1));
  app.file_stamp = ReadFileStamp(app.character_path) - 5;
  SelectListRow(3);

  Dispatch(MakeEvent(EventKind::Activate));
  EXPECT_EQ(app.file_stamp, ReadFileStamp(app.character_path));
  ASSERT_EQ(app.table.RowCount(), 2);
  EXPECT_EQ(ListView_GetItemCount(app.list), 2);
  EXPECT_EQ(app.table.FindTrigger(u"x"), 1);
  EXPECT_EQ(app.table.FindTrigger(u"-"), -1);  // triggers of the old table are gone
  EXPECT_EQ(SelectedListRow(), 0);
  EXPECT_EQ(StatusText(), Tr(u"WinMain", u"StatusReread"));
  // The program's own selection of row 0 does not count as a change.
  EXPECT_TRUE(Loop().TransientStatus);

  // The list gaining the focus keeps the message; another control's does not.
  Dispatch(MakeEvent(EventKind::Control, kCtlList, FocusGained));
  EXPECT_EQ(StatusText(), Tr(u"WinMain", u"StatusReread"));
  Dispatch(MakeEvent(EventKind::Control, kCtlOnTop, FocusGained));
  EXPECT_EQ(StatusText(), InfoStatusText());
  EXPECT_FALSE(Loop().TransientStatus);

  // Unchanged on the next activation: the info text, no reread.
  SetStatusText(u"x");
  Dispatch(MakeEvent(EventKind::Activate));
  EXPECT_EQ(StatusText(), InfoStatusText());
  EXPECT_TRUE(boxes_.boxes.empty());
}

TEST_F(EventLoopTest, ASelectionChangeByTheUserEndsTheRereadMessage) {
  AppState& app = App();
  app.character_path = ToText(Folder() / "Characters.json");
  ASSERT_TRUE(WriteCharacterFile(app.table, app.character_path, -1));
  app.file_stamp = 0;
  Dispatch(MakeEvent(EventKind::Activate));
  ASSERT_TRUE(Loop().TransientStatus);

  // The user moves to the next row.
  SetFocus(app.list);
  PostMessageW(app.list, WM_KEYDOWN, VK_DOWN, 0x00500001);
  PostMessageW(app.list, WM_KEYUP, VK_DOWN, 0xC0500001);
  Drain();
  EXPECT_EQ(SelectedListRow(), 1);
  EXPECT_EQ(app.table.CurrentRow(), 1);
  // Moved by keyboard: the status bar names the row's character.
  EXPECT_EQ(StatusText(), u" RIGHT-POINTING DOUBLE ANGLE QUOTATION MARK");
  EXPECT_FALSE(Loop().TransientStatus);
}

TEST_F(EventLoopTest, AFailedRereadIsReportedOnceAndTheRowsStay) {
  AppState& app = App();
  app.character_path = ToText(Folder() / "Characters.json");
  ASSERT_TRUE(WriteWholeFile(app.character_path, "[\"Glyphwell 1.11\", broken"));
  app.file_stamp = 0;
  Dispatch(MakeEvent(EventKind::Activate));
  ASSERT_EQ(boxes_.boxes.size(), 1u);
  EXPECT_EQ(boxes_.boxes[0].first, Tr(u"General", u"ErrRead") + u"\n" + app.character_path +
                                       u"\nline 1, column 20: '[' expected");
  EXPECT_EQ(boxes_.boxes[0].second, static_cast<unsigned>(MB_ICONERROR));
  EXPECT_EQ(app.table.RowCount(), 6);
  EXPECT_EQ(ListView_GetItemCount(app.list), 6);

  Dispatch(MakeEvent(EventKind::Activate));
  EXPECT_EQ(boxes_.boxes.size(), 1u);

  // Deleted behind the program's back: one more report (stamp 0), then quiet.
  std::filesystem::remove(Folder() / "Characters.json");
  Dispatch(MakeEvent(EventKind::Activate));
  Dispatch(MakeEvent(EventKind::Activate));
  ASSERT_EQ(boxes_.boxes.size(), 2u);
  EXPECT_EQ(boxes_.boxes[1].first, Tr(u"General", u"ErrRead") + u"\n" + app.character_path +
                                       u"\n" + Tr(u"General", u"ErrReadMissing"));
  EXPECT_EQ(app.file_stamp, 0);
}

TEST_F(EventLoopTest, AnUnreadableFileThatCannotBeMovedAsideIsNotWrittenOver) {
  AppState& app = App();
  app.character_path = ToText(Folder() / "Characters.json");
  const Text kept = KeptFilePath(app.character_path, 1);
  const std::string users = "[\"Glyphwell 1.11\", [\"x\" \"\\\\u00D7\"]]";
  ASSERT_TRUE(WriteWholeFile(app.character_path, users));
  app.file_stamp = 0;
  Dispatch(MakeEvent(EventKind::Activate));  // the reread fails and says so
  ASSERT_EQ(boxes_.boxes.size(), 1u);
  const Text code_of_row_0 = app.table.Column(0, 2);

  // Another program holds the file without sharing: it cannot be moved, so
  // Ctrl+Down writes nothing and is undone.
  HANDLE lock = CreateFileW(W(app.character_path), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0,
                            nullptr);
  ASSERT_NE(lock, INVALID_HANDLE_VALUE);
  Dispatch(MakeEvent(EventKind::Command, 5));
  CloseHandle(lock);
  ASSERT_EQ(boxes_.boxes.size(), 2u);
  EXPECT_EQ(boxes_.boxes[1].first, FillPlaceholders(Tr(u"General", u"ErrKeep"), app.character_path));
  EXPECT_EQ(boxes_.boxes[1].second, static_cast<unsigned>(MB_ICONERROR));
  EXPECT_EQ(app.table.Column(0, 2), code_of_row_0);
  EXPECT_EQ(FileBytes(app.character_path), users);
  EXPECT_FALSE(PathExists(kept));

  // Let go: the next change keeps the user's bytes aside, writes the table
  // and says where the file went, once.
  Dispatch(MakeEvent(EventKind::Command, 5));
  ASSERT_EQ(boxes_.boxes.size(), 3u);
  EXPECT_EQ(boxes_.boxes[2].first, FillPlaceholders(Tr(u"General", u"InfoKept"), kept) + u"\n\n" +
                                       Tr(u"General", u"InfoKeptSaved"));
  EXPECT_EQ(boxes_.boxes[2].second, static_cast<unsigned>(MB_ICONWARNING));
  EXPECT_EQ(FileBytes(kept), users);
  EXPECT_EQ(app.table.Column(1, 2), code_of_row_0);
  EXPECT_EQ(FileBytes(app.character_path), SerializeCharacterFile(app.table));
  EXPECT_EQ(app.file_stamp, FileStampOf(app.character_path));
  Dispatch(MakeEvent(EventKind::Command, 4));
  EXPECT_EQ(boxes_.boxes.size(), 3u);
  EXPECT_EQ(FileBytes(app.character_path), SerializeCharacterFile(app.table));
}

// --- Stay on top ---------------------------------------------------------------------------------

TEST_F(EventLoopTest, StayOnTopBoxSetsTheWindowAndWritesTheSettingsReportingAFailure) {
  AppState& app = App();
  HWND main = App().main_window;
  HWND box = MainControl(kCtlOnTop);
  app.settings_path = ToText(Folder() / "Glyphwell.ini");

  SendMessageW(box, BM_CLICK, 0, 0);
  Drain();
  EXPECT_TRUE(app.settings.OnTop);
  EXPECT_TRUE(GetWindowLongPtrW(main, GWL_EXSTYLE) & WS_EX_TOPMOST);
  Settings stored;
  ASSERT_TRUE(LoadSettings(app.settings_path, stored));
  EXPECT_TRUE(stored.OnTop);
  EXPECT_TRUE(boxes_.boxes.empty());

  // The write fails: the message names the file, the new state stays.
  SetFileWriteHook([](const Text&, std::string_view) -> long long { return 0; });
  SendMessageW(box, BM_CLICK, 0, 0);
  Drain();
  EXPECT_FALSE(app.settings.OnTop);
  EXPECT_FALSE(GetWindowLongPtrW(main, GWL_EXSTYLE) & WS_EX_TOPMOST);
  ASSERT_EQ(boxes_.boxes.size(), 1u);
  EXPECT_EQ(boxes_.boxes[0].first, Tr(u"General", u"ErrWrite") + u"\n" + app.settings_path);
  EXPECT_EQ(boxes_.boxes[0].second, static_cast<unsigned>(MB_ICONERROR));
  ASSERT_TRUE(LoadSettings(app.settings_path, stored));
  EXPECT_TRUE(stored.OnTop);
}

}  // namespace
}  // namespace gw
