// Trigger keys, the beep, copying and typing into another program (Wine's
// notepad), with the real main window and the real loop.
#include <windows.h>
#include <commctrl.h>
#include <mmsystem.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "mainwindow/announce_win32.h"
#include "mainwindow/elevated_target_win32.h"
#include "mainwindow/hotkey_win32.h"
#include "tests/win32/event_test_support.h"

namespace gw {
namespace {

using namespace testing_support;

using Batch = std::vector<KeyRecord>;

KeyRecord VkDown(int vk) { return {static_cast<std::uint16_t>(vk), 0, kKeyDown}; }
KeyRecord VkUp(int vk) { return {static_cast<std::uint16_t>(vk), 0, kKeyUp}; }

// Replaces the table by the given rows and makes `row` current.
void UseRows(const std::vector<CharacterEntry>& rows, int row) {
  AppState& app = App();
  app.records = rows;
  app.table.BuildRowsFromRecords(app.records);
  FillMainList();
  SelectListRow(row);
  Drain();
}

// --- Trigger keys and the beep -----------------------------------------------------

// Stands between the trigger filter and the list view's own procedure and
// records the characters that reach the list view.
std::vector<WPARAM> g_chars_at_list;
WNDPROC g_real_list_procedure = nullptr;
LRESULT CALLBACK ListSpy(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_CHAR) g_chars_at_list.push_back(wp);
  return CallWindowProcW(g_real_list_procedure, hwnd, msg, wp, lp);
}

class TriggerKeyTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    EnsureMainWindow();
    ASSERT_TRUE(LoadBeepResource());
  }

  void SetUp() override {
    ResetMainWindow();
    App().settings.Beep = true;
    g_chars_at_list.clear();
    g_real_list_procedure = g_list_procedure;
    g_list_procedure = ListSpy;
    SetBeepHookForTesting([this](const void* sound, unsigned flags) {
      beeps_.push_back(flags);
      EXPECT_EQ(std::memcmp(sound, "RIFF", 4), 0);
      EXPECT_EQ(std::memcmp(static_cast<const char*>(sound) + 8, "WAVE", 4), 0);
    });
  }

  void TearDown() override {
    g_list_procedure = g_real_list_procedure;
    SetBeepHookForTesting(nullptr);
    App().settings.Beep = true;
    ResetMainWindow();
  }

  // Types one character into the list as the keyboard would deliver it.
  LRESULT Type(char16_t c) {
    const LRESULT result = SendMessageW(App().list, WM_CHAR, c, 1);
    Drain();
    return result;
  }

  std::vector<unsigned> beeps_;
};

TEST_F(TriggerKeyTest, ATriggerSelectsItsRowAndReachesTheList) {
  Type(u'-');
  EXPECT_EQ(App().table.CurrentRow(), 4);  // en dash
  EXPECT_EQ(SelectedListRow(), 4);
  EXPECT_EQ(g_chars_at_list, std::vector<WPARAM>{u'-'});
  EXPECT_TRUE(beeps_.empty());
  Type(u'%');
  EXPECT_EQ(SelectedListRow(), 5);
}

TEST_F(TriggerKeyTest, ANonTriggerBeepsAndIsSwallowed) {
  SelectListRow(2);
  Drain();
  EXPECT_EQ(Type(u'a'), 1);
  EXPECT_EQ(Type(u' '), 1);
  EXPECT_EQ(Type(u'\b'), 1);
  EXPECT_TRUE(g_chars_at_list.empty());
  EXPECT_EQ(SelectedListRow(), 2);
  ASSERT_EQ(beeps_.size(), 3u);
  for (unsigned flags : beeps_) EXPECT_EQ(flags, unsigned(SND_MEMORY | SND_ASYNC | SND_NODEFAULT));

  // With the Beep setting off the character is still swallowed, silently.
  App().settings.Beep = false;
  EXPECT_EQ(Type(u'a'), 1);
  EXPECT_EQ(beeps_.size(), 3u);
  EXPECT_TRUE(g_chars_at_list.empty());
}

TEST_F(TriggerKeyTest, TheFirstBeepStartsTheSoundEngineAndWithoutADeviceStaysSilent) {
  if (waveOutGetNumDevs() > 0) GTEST_SKIP() << "this machine has an audio device";
  ForgetBeepForTesting();
  EXPECT_FALSE(BeepLoaded());  // start-up leaves the engine to the first beep
  EXPECT_EQ(Type(u'a'), 1);     // still swallowed
  EXPECT_EQ(Type(u'b'), 1);
  EXPECT_TRUE(beeps_.empty());
  EXPECT_FALSE(BeepLoaded());
  EXPECT_TRUE(g_chars_at_list.empty());
  // Once the sound is there, beeps play.
  ASSERT_TRUE(LoadBeepResource());
  Type(u'a');
  EXPECT_EQ(beeps_.size(), 1u);
}

TEST_F(TriggerKeyTest, TriggersMatchExactlyAndTheTriggerRowWinsOverTheListsOwnSearch) {
  UseRows({{u"A", u"\\u00C4", u"A umlaut"}, {u"", u"\\u00E4", u"a umlaut"}}, 1);
  EXPECT_EQ(Type(u'a'), 1);
  EXPECT_EQ(beeps_.size(), 1u);
  EXPECT_EQ(SelectedListRow(), 1);
  Type(u'A');
  EXPECT_EQ(SelectedListRow(), 0);

  // "x" and "X" look alike to the list's incremental search, not to the
  // trigger index.
  UseRows({{u"X", u"\\u00D7", u"times"}, {u"x", u"\\u2715", u"cross"}}, 1);
  Type(u'x');
  EXPECT_EQ(App().table.CurrentRow(), 1);
  EXPECT_EQ(SelectedListRow(), 1);
  Type(u'X');
  EXPECT_EQ(SelectedListRow(), 0);
}

// --- The hotkey -------------------------------------------------------------------------

TEST(HotkeyTest, RegistersFnAndNamesItInTheTrayTooltipOrWarnsWhenTaken) {
  EnsureMainWindow();
  AppState& app = App();
  MessageRecorder boxes;
  boxes.Install();
  // A window of the test that holds keys, standing in for another program.
  HWND other = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                               nullptr, nullptr);
  ASSERT_NE(other, nullptr);

  UnregisterHotKey(app.main_window, 1);
  app.tray_tip = u"previous";
  EXPECT_TRUE(ApplyHotkey(FunctionKeyHotkey(0)));
  EXPECT_EQ(app.tray_tip, u"Glyphwell");
  // No key was taken: F10 is still free.
  EXPECT_TRUE(RegisterHotKey(other, 7, 0, VK_F10));
  UnregisterHotKey(other, 7);

  EXPECT_TRUE(ApplyHotkey(FunctionKeyHotkey(10)));
  EXPECT_EQ(app.tray_tip, u"Glyphwell (F10)");
  EXPECT_FALSE(RegisterHotKey(other, 7, 0, VK_F10));  // now it is the program's
  UnregisterHotKey(app.main_window, 1);

  ASSERT_TRUE(RegisterHotKey(other, 8, 0, VK_F11));
  EXPECT_FALSE(ApplyHotkey(FunctionKeyHotkey(11)));
  ASSERT_EQ(boxes.boxes.size(), 1u);
  EXPECT_EQ(boxes.boxes[0].first, u"Can't register hotkey: F11");
  EXPECT_EQ(boxes.boxes[0].second, static_cast<unsigned>(MB_ICONWARNING));
  EXPECT_EQ(app.tray_tip, u"Glyphwell (F10)");  // the tooltip keeps its text

  UnregisterHotKey(other, 8);
  DestroyWindow(other);
  UnregisterHotKey(app.main_window, 1);
}

// --- Copying --------------------------------------------------------------------------

// gwclipboard (tools/faults), which holds the clipboard open as clipboard
// history, Remote Desktop and clipboard managers do.
class ClipboardHolder {
 public:
  ~ClipboardHolder() { Stop(); }

  // Starts it with `args` and waits until it holds the clipboard.
  bool Start(const std::wstring& args) {
    std::wstring line = L"\"" + FromUnixPath(GW_CLIPBOARD_HOLDER).wstring() + L"\" " + args;
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process_))
      return false;
    return PumpUntil([] { return FindWindowW(L"gwclipboard", L"gwclipboard: open") != nullptr; });
  }

  // Lets go of the clipboard now (unless it did already) and waits for its end.
  void Stop() {
    if (!process_.hProcess) return;
    if (HWND window = FindWindowW(L"gwclipboard", nullptr)) PostMessageW(window, WM_CLOSE, 0, 0);
    WaitForSingleObject(process_.hProcess, 10000);
    CloseHandle(process_.hProcess);
    CloseHandle(process_.hThread);
    process_ = {};
  }

 private:
  PROCESS_INFORMATION process_{};
};

class CopyTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { EnsureMainWindow(); }
  void SetUp() override {
    ResetMainWindow();
    SetWarningBeepHookForTesting([this] { ++warning_beeps_; });
  }
  void TearDown() override {
    SetWarningBeepHookForTesting(nullptr);
    App().settings.HTML = false;
    KillTimer(App().main_window, 1);
    ResetMainWindow();
  }

  int warning_beeps_ = 0;
};

TEST_F(CopyTest, CopyPutsCharactersOrCodeOnTheClipboardAndShowsItInTheStatusBar) {
  HWND main = App().main_window;
  SelectListRow(0);  // „“
  Drain();
  Dispatch(MakeEvent(EventKind::Command, 2));
  EXPECT_EQ(ClipboardText(), u"\u201E\u201C");
  EXPECT_EQ(StatusText(), Tr(u"WinMain", u"StatusCharCopied"));
  EXPECT_TRUE(IsWindowVisible(main));  // the window stays where it is
  EXPECT_TRUE(KillTimer(main, 1));     // timer 1 was running

  Dispatch(MakeEvent(EventKind::Command, 3));
  EXPECT_EQ(ClipboardText(), u"\\u201E\\u201C");
  EXPECT_EQ(StatusText(), Tr(u"WinMain", u"StatusCodeCopied"));

  App().settings.HTML = true;
  Dispatch(MakeEvent(EventKind::Command, 3));
  EXPECT_EQ(ClipboardText(), u"&#x201E;&#x201C;");
  // Ctrl+C copies the characters whatever the HTML setting.
  Dispatch(MakeEvent(EventKind::Command, 2));
  EXPECT_EQ(ClipboardText(), u"\u201E\u201C");

  UseRows({{u"", u"\\u1F600", u"grinning face"}}, 0);
  Dispatch(MakeEvent(EventKind::Command, 2));
  EXPECT_EQ(ClipboardText(), u"\U0001F600");
}

TEST_F(CopyTest, ASecondCopyRestartsTheMessageDurationBeforeTheInfoTextReturns) {
  HWND main = App().main_window;
  SelectListRow(4);  // en dash
  Drain();
  Dispatch(MakeEvent(EventKind::Command, 2));
  // Ctrl+Shift+C is waiting when the first copy's timer fires behind it.
  QueueEvent(MakeEvent(EventKind::Command, 3));
  SendMessageW(main, WM_TIMER, 1, 0);
  ASSERT_EQ(QueuedEventCount(), 2u);
  Drain();
  // That firing belonged to the first copy: the second one's text stays.
  EXPECT_EQ(StatusText(), Tr(u"WinMain", u"StatusCodeCopied"));
  // Its own timer brings the info text back.
  EXPECT_TRUE(PumpUntil([] { return StatusText() == InfoStatusText(); }, 15000));
}

TEST_F(CopyTest, AClipboardHeldForAMomentIsWaitedForAndOneHeldOnIsReportedWithABeep) {
  HWND main = App().main_window;
  SetClipboardText(u"keep");
  SelectListRow(4);  // en dash
  Drain();

  // Held on: nothing is copied, and the user hears, reads and is told so
  // at once.
  std::vector<Politeness> said;
  SetAnnounceHookForTesting([&said](const Text&, Politeness p) { said.push_back(p); });
  ClipboardHolder held;
  ASSERT_TRUE(held.Start(L""));
  Dispatch(MakeEvent(EventKind::Command, 2));
  SetAnnounceHookForTesting(nullptr);
  EXPECT_EQ(StatusText(), Tr(u"WinMain", u"StatusCopyFailed"));
  EXPECT_EQ(said, std::vector<Politeness>{Politeness::Assertive});
  EXPECT_EQ(warning_beeps_, 1);
  EXPECT_TRUE(KillTimer(main, 1));  // the info text comes back as after a copy
  held.Stop();
  EXPECT_EQ(ClipboardText(), u"keep");

  // Held for a tenth of a second: the copy waits for it.
  ClipboardHolder moment;
  ASSERT_TRUE(moment.Start(L"100"));
  Dispatch(MakeEvent(EventKind::Command, 3));
  EXPECT_EQ(StatusText(), Tr(u"WinMain", u"StatusCodeCopied"));
  EXPECT_EQ(ClipboardText(), u"\\u2013");
  EXPECT_EQ(GetClipboardOwner(), main);
  EXPECT_EQ(warning_beeps_, 1);
}

TEST_F(CopyTest, WithoutACurrentRowNothingIsCopied) {
  SetClipboardText(u"keep");
  SelectListRow(-1);
  Drain();
  SetStatusText(u"before");
  Dispatch(MakeEvent(EventKind::Command, 2));
  Dispatch(MakeEvent(EventKind::Command, 3));
  EXPECT_EQ(ClipboardText(), u"keep");
  EXPECT_EQ(StatusText(), u"before");
  EXPECT_FALSE(KillTimer(App().main_window, 1));
}

// --- Typing into another program ------------------------------------------------------

// Wine's notepad, started once for the tests below and ended after them.
Notepad g_notepad;

class TypingTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    EnsureMainWindow();
    g_notepad.Start();
  }

  static void TearDownTestSuite() { g_notepad.Stop(); }

  void SetUp() override {
    ASSERT_NE(g_notepad.edit, nullptr) << "notepad did not start";
    ResetMainWindow();
    SendMessageW(g_notepad.edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
    ForgetPreviousWindowForTesting();
    // The user works in notepad and presses the hotkey.
    SetForegroundWindow(g_notepad.window);
    ASSERT_TRUE(PumpUntil([] { return GetForegroundWindow() == g_notepad.window; }));
    SendMessageW(App().main_window, WM_HOTKEY, 1, MAKELPARAM(0, VK_F10));
    ASSERT_TRUE(PumpUntil([] {
      return GetForegroundWindow() == App().main_window && GetFocus() == App().list;
    }));
  }

  void TearDown() override {
    SetKeyInputHookForTesting(nullptr);
    App().settings.OnTop = false;
    App().settings.HTML = false;
    ResetMainWindow();
  }

  // Records what would be sent instead of sending it. `on_escape_down` runs
  // when Alt+Esc goes out, standing in for the system's window switch.
  void RecordInput(std::function<void()> on_escape_down = nullptr) {
    SetKeyInputHookForTesting([this, on_escape_down](const Batch& batch) {
      batches_.push_back(batch);
      periods_held_.push_back(TimerPeriodsHeld());
      if (on_escape_down && std::find(batch.begin(), batch.end(), VkDown(VK_ESCAPE)) != batch.end())
        on_escape_down();
    });
  }

  static Text NotepadText() { return WindowTextOf(g_notepad.edit); }

  std::vector<Batch> batches_;
  std::vector<int> periods_held_;  // TimerPeriodsHeld() as each batch went out
};

// Shift up, then Alt+Esc.
const Batch kWindowSwitch = {VkUp(VK_SHIFT), VkDown(VK_MENU), VkDown(VK_ESCAPE), VkUp(VK_ESCAPE),
                             VkUp(VK_MENU)};

TEST_F(TypingTest, EnterMinimisesIntoTheTrayAndTypesThePairWithTheCaretBetween) {
  RecordInput();
  SelectListRow(0);  // „“
  Drain();
  PostMessageW(App().list, WM_KEYDOWN, VK_RETURN, 0x001C0001);  // the Enter shortcut
  Drain();
  const std::vector<Batch> expected = {
      UnicodeKeyRecords(u"\u201E\u201C"), {VkDown(VK_LEFT)}, {VkUp(VK_LEFT)}};
  EXPECT_EQ(batches_, expected);
  ASSERT_FALSE(batches_.empty());
  EXPECT_EQ(batches_[0].size(), 4u);  // one SendInput call for the text
  EXPECT_EQ(GetForegroundWindow(), g_notepad.window);
  EXPECT_FALSE(IsWindowVisible(App().main_window));
  EXPECT_TRUE(TrayItemEnabled(18));
}

TEST_F(TypingTest, PairRuleAndPayloadsPerRow) {
  struct Case {
    const char16_t* code;
    bool code_command;
    bool html;
    std::vector<Batch> expected;
  };
  const Case cases[] = {
      {u"\\u1F600", false, false, {UnicodeKeyRecords(u"\U0001F600")}},
      {u"\\u00AB\\u00BB", false, false,
       {UnicodeKeyRecords(u"\u00AB\u00BB"), {VkDown(VK_LEFT)}, {VkUp(VK_LEFT)}}},
      {u"\\u0041\\u0052", false, false, {UnicodeKeyRecords(u"AR")}},
      {u"\\u201E\\u201C\\u201D", false, false, {UnicodeKeyRecords(u"\u201E\u201C\u201D")}},
      {u"\\u0000", false, false, {}},  // no characters: the window steps back, nothing typed
      {u"\\u2013", true, false, {UnicodeKeyRecords(u"\\u2013")}},
      {u"\\u2013", true, true, {UnicodeKeyRecords(u"&#x2013;")}},
      {u"\\u201E\\u201C", true, true, {UnicodeKeyRecords(u"&#x201E;&#x201C;")}},  // no pair rule
  };
  RecordInput();
  for (const Case& c : cases) {
    UseRows({{u"", c.code, u""}}, 0);
    App().settings.HTML = c.html;
    batches_.clear();
    Dispatch(MakeEvent(EventKind::Command, c.code_command ? 1 : 0));
    EXPECT_EQ(batches_, c.expected) << TextToUtf8(c.code) << " html " << c.html;
    EXPECT_FALSE(IsWindowVisible(App().main_window));
    // Back to the main window for the next row.
    SendMessageW(App().main_window, WM_HOTKEY, 1, 0);
    ASSERT_TRUE(PumpUntil([] { return GetForegroundWindow() == App().main_window; }));
  }
}

TEST_F(TypingTest, ShiftHeldTurnsTheInsertButtonAndADoubleClickIntoInsertCode) {
  RecordInput();
  SelectListRow(4);  // en dash
  Drain();
  HeldKey shift(VK_SHIFT);
  ASSERT_TRUE(PumpUntil([] { return KeyIsDown(VK_SHIFT); }));
  Dispatch(MakeEvent(EventKind::Control, kCtlInsert, ControlClick));
  shift.Release();
  ASSERT_TRUE(PumpUntil([] { return !KeyIsDown(VK_SHIFT); }));
  EXPECT_EQ(batches_, std::vector<Batch>{UnicodeKeyRecords(u"\\u2013")});

  // Without Shift a double-click in the list inserts the characters.
  SendMessageW(App().main_window, WM_HOTKEY, 1, 0);
  ASSERT_TRUE(PumpUntil([] { return GetForegroundWindow() == App().main_window; }));
  batches_.clear();
  Dispatch(MakeEvent(EventKind::Control, kCtlList, ControlDoubleClick));
  EXPECT_EQ(batches_, std::vector<Batch>{UnicodeKeyRecords(u"\u2013")});
}

TEST_F(TypingTest, StayOnTopSendsAltEscFirstAndTypesOnceAnotherWindowIsInFront) {
  App().settings.OnTop = true;
  RecordInput([] { SetForegroundWindow(g_notepad.window); });
  SelectListRow(0);
  Drain();
  Dispatch(MakeEvent(EventKind::Command, 0));
  // The switch goes out in one SendInput call, so that no key of the user's
  // comes in between and Alt cannot stay down.
  const std::vector<Batch> expected = {kWindowSwitch, UnicodeKeyRecords(u"\u201E\u201C"),
                                       {VkDown(VK_LEFT)}, {VkUp(VK_LEFT)}};
  EXPECT_EQ(batches_, expected);
  EXPECT_TRUE(IsWindowVisible(App().main_window));
  EXPECT_FALSE(IsIconic(App().main_window));
  // The 1 ms timer resolution is held for the wait that follows the switch
  // and given back after it.
  ASSERT_FALSE(periods_held_.empty());
  EXPECT_EQ(periods_held_[0], 1);
  EXPECT_EQ(TimerPeriodsHeld(), 0);
}

TEST_F(TypingTest, NothingIsTypedIntoTheProgramsOwnWindows) {
  ForgetPreviousWindowForTesting();  // no window to hand the keyboard back to
  RecordInput();
  SelectListRow(4);
  Drain();
  Dispatch(MakeEvent(EventKind::Command, 0));
  EXPECT_TRUE(batches_.empty());

  // "Stay on top" and an Alt+Esc that changes nothing: the bounded wait
  // ends and nothing is typed.
  ResetMainWindow();
  App().settings.OnTop = true;
  batches_.clear();
  Dispatch(MakeEvent(EventKind::Command, 0));
  EXPECT_EQ(batches_, std::vector<Batch>{kWindowSwitch});
  EXPECT_TRUE(IsWindowVisible(App().main_window));
  EXPECT_EQ(TimerPeriodsHeld(), 0);
}

TEST_F(TypingTest, StayOnTopHandsTheKeyboardBackWhenAltEscChangesNothing) {
  App().settings.OnTop = true;
  RecordInput();  // Alt+Esc goes nowhere
  SelectListRow(4);
  Drain();
  Dispatch(MakeEvent(EventKind::Command, 0));
  EXPECT_EQ(batches_, (std::vector<Batch>{kWindowSwitch, UnicodeKeyRecords(u"\u2013")}));
  EXPECT_EQ(GetForegroundWindow(), g_notepad.window);
  EXPECT_EQ(TimerPeriodsHeld(), 0);
}

TEST_F(TypingTest, AWindowAboveUsGetsNoKeysButTheClipboardAndTheUserIsTold) {
  RecordInput();
  std::vector<std::pair<Text, Text>> balloons;
  SetTrayBalloonHookForTesting([&](const Text& title, const Text& text) {
    balloons.emplace_back(title, text);
  });
  // Notepad as if it ran as administrator: its level above ours.
  DWORD asked_for = 0;
  SetIntegrityReaderForTesting([&](std::uint32_t process_id) {
    asked_for = process_id;
    return IntegrityReadings{0x2000, true, 0x3000};
  });
  SetClipboardText(u"before");
  SelectListRow(0);  // „“
  Drain();
  Dispatch(MakeEvent(EventKind::Command, 0));
  SetIntegrityReaderForTesting(nullptr);
  SetTrayBalloonHookForTesting(nullptr);

  EXPECT_TRUE(batches_.empty());  // no text, and no Left arrow for the pair
  EXPECT_EQ(ClipboardText(), u"\u201E\u201C");
  ASSERT_EQ(balloons.size(), 1u);
  EXPECT_EQ(balloons[0].first, Text(kWindowTitle));
  EXPECT_EQ(balloons[0].second, Tr(u"WinMain", u"InfoElevated"));
  EXPECT_EQ(asked_for, g_notepad.process.dwProcessId);
  // The window stepped back as for typing, so that Ctrl+V goes to notepad.
  EXPECT_FALSE(IsWindowVisible(App().main_window));
  EXPECT_EQ(GetForegroundWindow(), g_notepad.window);

  // Another program holds the clipboard: the note does not claim a copy.
  ResetMainWindow();
  SetClipboardText(u"before");
  balloons.clear();
  SetTrayBalloonHookForTesting([&](const Text& title, const Text& text) {
    balloons.emplace_back(title, text);
  });
  SetIntegrityReaderForTesting([](std::uint32_t) { return IntegrityReadings{0x2000, true, 0x3000}; });
  ClipboardHolder held;
  ASSERT_TRUE(held.Start(L""));
  Dispatch(MakeEvent(EventKind::Command, 0));
  held.Stop();
  SetIntegrityReaderForTesting(nullptr);
  SetTrayBalloonHookForTesting(nullptr);
  EXPECT_TRUE(batches_.empty());
  EXPECT_EQ(ClipboardText(), u"before");
  ASSERT_EQ(balloons.size(), 1u);
  EXPECT_EQ(balloons[0].second, Tr(u"WinMain", u"ErrElevatedCopy"));
}

TEST_F(TypingTest, CharactersArriveInNotepad) {
  SelectListRow(0);
  Drain();
  Dispatch(MakeEvent(EventKind::Command, 0));
  ASSERT_TRUE(PumpUntil([] { return NotepadText() == u"\u201E\u201C"; }))
      << TextToUtf8(NotepadText());
  // The caret sits between the marks.
  DWORD start = 0, end = 0;
  ASSERT_TRUE(PumpUntil([&] {
    SendMessageW(g_notepad.edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
    return start == 1 && end == 1;
  })) << start << " " << end;

  // A character outside the BMP, typed as a surrogate pair.
  SendMessageW(g_notepad.edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
  SendMessageW(App().main_window, WM_HOTKEY, 1, 0);
  ASSERT_TRUE(PumpUntil([] { return GetForegroundWindow() == App().main_window; }));
  UseRows({{u"", u"\\u1F600", u""}}, 0);
  Dispatch(MakeEvent(EventKind::Command, 0));
  ASSERT_TRUE(PumpUntil([] { return NotepadText() == u"\U0001F600"; }))
      << TextToUtf8(NotepadText());
}

}  // namespace
}  // namespace gw
