// Help, the character-map link, RunProgram and the About window in-process
// with the real main window. Started programs are a recorder
// (tests/tools/cmdline_recorder.cpp) that writes its command line to
// "<its path>.log".
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "commands/commands_win32.h"
#include "commands/run_program.h"
#include "tests/win32/event_test_support.h"

namespace gw {
namespace {

using namespace testing_support;
namespace fs = std::filesystem;

class CommandsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { EnsureMainWindow(); }

  void SetUp() override {
    ResetMainWindow();
    saved_settings_ = App().settings;
    saved_help_ = App().help_path;
    boxes_.Install();
    recorder_ = folder_ / "rec.exe";
    // The recorder that the build made.
    fs::copy_file(FromUnixPath(GW_CMDLINE_RECORDER), recorder_);
  }

  void TearDown() override {
    SetMessageBoxHook(nullptr);
    App().settings = saved_settings_;
    App().help_path = saved_help_;
    ResetMainWindow();
  }

  // Waits for the recorder's log to hold `lines` lines; returns them.
  std::vector<std::string> Recorded(size_t lines = 1) {
    std::vector<std::string> found;
    PumpUntil(
        [&] {
          found.clear();
          std::istringstream in(FileBytes(fs::path(recorder_.wstring() + L".log")));
          for (std::string line; std::getline(in, line);) found.push_back(line);
          return found.size() >= lines;
        },
        15000);
    return found;
  }

  Text Recorder() const { return ToText(recorder_); }
  std::string RecorderUtf8() const { return TextToUtf8(Recorder()); }

  Settings saved_settings_;
  Text saved_help_;
  MessageRecorder boxes_;
  TempFolder folder_{"gw cmds & %x% "};  // a space and shell characters in its name
  fs::path recorder_;
};

TEST_F(CommandsTest, RunProgramStartsAQuotedCommandLineAsWrittenWithoutAShell) {
  // Shell characters reach the program untouched: no command shell reads them.
  const Text command = u"\"" + Recorder() + u"\" /x \"a b\" c&echo %PATH% ^| > out.txt";
  ASSERT_TRUE(RunProgram(command));
  const auto lines = Recorded();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], TextToUtf8(command));
  EXPECT_FALSE(fs::exists(folder_ / "out.txt"));

  // A full path alone is quoted, spaces and all.
  ASSERT_TRUE(RunProgram(Recorder()));
  const auto both = Recorded(2);
  ASSERT_EQ(both.size(), 2u);
  EXPECT_EQ(both[1], "\"" + RecorderUtf8() + "\"");
}

TEST_F(CommandsTest, RunProgramRefusesWhatNeitherStepCanStart) {
  // Program and argument without quotes: one name that does not exist.
  EXPECT_FALSE(RunProgram(Recorder() + u" /x"));
  EXPECT_FALSE(RunProgram(ToText(folder_ / "missing.exe")));
  EXPECT_FALSE(RunProgram(u""));
  EXPECT_FALSE(fs::exists(fs::path(recorder_.wstring() + L".log")));
}

TEST_F(CommandsTest, RunProgramStartsNoBatchFile) {
  // Windows would hand a batch file with the whole line to the command shell.
  const fs::path batch = folder_ / "map.cmd";
  // Not in the test's folder: the shell would expand the "%x%" of its name
  // in a path written into the batch file.
  const fs::path marker = fs::temp_directory_path() / "gw-batch-ran.txt";
  fs::remove(marker);
  {
    std::ofstream out(batch, std::ios::binary);
    out << "@echo ran> \"" << marker.string() << "\"\r\n";
  }
  EXPECT_FALSE(RunProgram(ToText(batch)));
  EXPECT_FALSE(RunProgram(u"\"" + ToText(batch) + u"\" & echo x"));
  EXPECT_FALSE(RunProgram(ToText(folder_ / "MAP.CMD. ")));

  // Either step would run it here: starting the same command line as a
  // process runs the batch file, which leaves its mark.
  std::wstring line = L"\"" + batch.wstring() + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  PROCESS_INFORMATION process{};
  ASSERT_TRUE(CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                             &startup, &process));
  EXPECT_EQ(WaitForSingleObject(process.hProcess, 20000), WAIT_OBJECT_0);
  CloseHandle(process.hProcess);
  CloseHandle(process.hThread);
  EXPECT_TRUE(fs::exists(marker));
  fs::remove(marker);
}

TEST_F(CommandsTest, CharacterMapLinkStartsTheCustomCommandOrReportsIt) {
  AppState& app = App();
  app.settings.Option = CharMapOption::Custom;
  app.settings.CustomCommand = u"\"" + Recorder() + u"\" --map";
  Loop().CommandPending = false;
  Dispatch(MakeEvent(EventKind::Control, kCtlCharMapLink, ControlClick));
  EXPECT_TRUE(boxes_.boxes.empty());
  EXPECT_EQ(app.last_focused_control, kCtlCharMapLink);
  EXPECT_TRUE(Loop().CommandPending);
  const auto lines = Recorded();
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], TextToUtf8(app.settings.CustomCommand));

  // Unquoted program and argument: both steps fail; the message names all of it.
  app.settings.CustomCommand = Recorder() + u" --map";
  Loop().CommandPending = false;
  Dispatch(MakeEvent(EventKind::Control, kCtlCharMapLink, ControlClick));
  ASSERT_EQ(boxes_.boxes.size(), 1u);
  EXPECT_EQ(boxes_.boxes[0].first, u"Command not found:\n" + app.settings.CustomCommand);
  EXPECT_EQ(boxes_.boxes[0].second, static_cast<unsigned>(MB_ICONERROR));
  EXPECT_TRUE(Loop().CommandPending) << "set whether or not it started";

  // Standard: the system's charmap.exe, by its full path. Wine has none, and
  // one that lies beside the program (and in its current folder) is never
  // started in its place.
  boxes_.boxes.clear();
  wchar_t self[MAX_PATH] = {};
  ASSERT_GT(GetModuleFileNameW(nullptr, self, MAX_PATH), 0u);
  const fs::path planted = fs::path(self).parent_path() / "charmap.exe";
  fs::copy_file(FromUnixPath(GW_CMDLINE_RECORDER), planted, fs::copy_options::overwrite_existing);
  struct Unplant {
    fs::path file;
    ~Unplant() {
      std::error_code ignored;
      fs::remove(file, ignored);
      fs::remove(fs::path(file.wstring() + L".log"), ignored);
    }
  } unplant{planted};
  wchar_t system[MAX_PATH] = {};
  ASSERT_GT(GetSystemDirectoryW(system, MAX_PATH), 0u);
  const Text charmap = ToText(fs::path(system) / "charmap.exe");
  app.settings.Option = CharMapOption::Standard;
  EXPECT_EQ(CharacterMapCommand(), charmap);
  Dispatch(MakeEvent(EventKind::Control, kCtlCharMapLink, ControlClick));
  ASSERT_EQ(boxes_.boxes.size(), 1u);
  EXPECT_EQ(boxes_.boxes[0].first, u"Command not found:\n" + charmap);
}

TEST_F(CommandsTest, MissingHelpFileIsReportedWithItsPath) {
  App().help_path = ToText(folder_ / "doc" / "Glyphwell_en.htm");
  Loop().CommandPending = true;
  Dispatch(MakeEvent(EventKind::Command, 15));
  ASSERT_EQ(boxes_.boxes.size(), 1u);
  EXPECT_EQ(boxes_.boxes[0].first, u"Help file not found:\n" + App().help_path);
  EXPECT_EQ(boxes_.boxes[0].second, static_cast<unsigned>(MB_ICONERROR));
  EXPECT_TRUE(Loop().CommandPending) << "a failed Help keeps CommandPending";
}

// --- About window ----------------------------------------------------------------------

Text ControlText(int id) { return WindowTextOf(EntryControl(AboutWindow, id)); }

TEST_F(CommandsTest, AboutWindowShowsItsTextsAndDisablesTheMainWindow) {
  SetStatusText(u"before");
  HICON icon = LoadIconW(nullptr, IDI_APPLICATION);
  App().tray_icon = icon;
  Dispatch(MakeEvent(EventKind::Command, 13));
  App().tray_icon = nullptr;
  HWND about = EntryWindowHandle(AboutWindow);
  ASSERT_NE(about, nullptr);
  EXPECT_EQ(StatusText(), u"");
  EXPECT_TRUE(Loop().CommandPending);
  EXPECT_FALSE(IsWindowEnabled(App().main_window));
  EXPECT_EQ(WindowTextOf(about), u"About ...");
  EXPECT_EQ(GetWindow(about, GW_OWNER), App().main_window);
  const LONG style = GetWindowLongW(about, GWL_STYLE);
  EXPECT_EQ(style & WS_CAPTION, WS_CAPTION);
  EXPECT_EQ(style & (WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0);
  RECT client{};
  GetClientRect(about, &client);
  EXPECT_GE(client.right, ScaleX(250));
  EXPECT_EQ(client.bottom, ScaleY(160));
  // The link is sized as the main window's link would be for the address
  // (the captions' check sees that it fits, within the window).
  RECT link{};
  GetWindowRect(EntryControl(AboutWindow, kAboutLink), &link);
  EXPECT_EQ(link.right - link.left, ScaleX(LinkWidthFor(ControlText(kAboutLink))));

  EXPECT_EQ(ControlText(kAboutName), u"Glyphwell 1.11 (x64)");
  EXPECT_EQ(ControlText(kAboutCopyright), kCopyrightLine);
  EXPECT_EQ(ControlText(kAboutLink), u"https://glyphwell.example.org/prog/");
  EXPECT_EQ(ControlText(kAboutFreeware), u"Freeware");
  EXPECT_EQ(ControlText(kAboutOk), u"OK");
  EXPECT_EQ(GetWindowLongW(EntryControl(AboutWindow, kAboutOk), GWL_STYLE) & BS_TYPEMASK,
            BS_DEFPUSHBUTTON);
  EXPECT_EQ(GetFocus(), EntryControl(AboutWindow, kAboutOk));
  // The picture shows the program's icon.
  HWND picture = nullptr;
  for (HWND child = GetWindow(about, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) picture = child;
  ASSERT_NE(picture, nullptr);
  EXPECT_EQ(reinterpret_cast<HICON>(SendMessageW(picture, STM_GETICON, 0, 0)), icon);

  // A second About while one is open opens nothing more.
  Dispatch(MakeEvent(EventKind::Command, 13));
  EXPECT_EQ(EntryWindowHandle(AboutWindow), about);
}

TEST_F(CommandsTest, AboutWindowWithoutIconAndWithOtherLanguageTexts) {
  AppState& app = App();
  app.language.sections[u"MENUMAIN"][u"ABOUT"] = u"\u00DCber ...";
  app.language.sections[u"GENERAL"][u"OK"] = u"&Ok&&ay";
  app.tray_icon = nullptr;
  OpenAboutWindow(nullptr);
  HWND about = EntryWindowHandle(AboutWindow);
  ASSERT_NE(about, nullptr);
  EXPECT_EQ(WindowTextOf(about), u"\u00DCber ...");
  EXPECT_EQ(ControlText(kAboutOk), u"Okay");
  for (HWND child = GetWindow(about, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    EXPECT_NE(GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK, SS_ICON);
  CloseEntryWindow(AboutWindow);
  app.language = LanguageTable();
  LoadBuiltInTable(app.language);
}

TEST_F(CommandsTest, AboutWindowClosesWithEnterAndOk) {
  AppState& app = App();
  app.last_focused_control = kCtlMenu;
  Dispatch(MakeEvent(EventKind::Command, 13));
  ASSERT_NE(EntryWindowHandle(AboutWindow), nullptr);

  // Enter, also with the focus on the link.
  SetFocus(EntryControl(AboutWindow, kAboutLink));
  Dispatch(MakeEvent(EventKind::Command, kAboutEnterCommand, 0, AboutWindow));
  EXPECT_EQ(EntryWindowHandle(AboutWindow), nullptr);
  EXPECT_TRUE(IsWindowEnabled(app.main_window));
  EXPECT_EQ(GetFocus(), MainControl(kCtlMenu));

  Dispatch(MakeEvent(EventKind::Command, 13));
  ASSERT_NE(EntryWindowHandle(AboutWindow), nullptr);
  Dispatch(MakeEvent(EventKind::Control, kAboutOk, ControlClick, AboutWindow));
  EXPECT_EQ(EntryWindowHandle(AboutWindow), nullptr);
  EXPECT_TRUE(IsWindowEnabled(app.main_window));
}

// Refuses the creation of the About window, as a system out of resources would.
LRESULT CALLBACK RefuseAboutWindow(int code, WPARAM wp, LPARAM lp) {
  if (code == HCBT_CREATEWND) {
    const CREATESTRUCTW* create = reinterpret_cast<const CBT_CREATEWNDW*>(lp)->lpcs;
    const bool top_level = !(create->style & WS_CHILD);
    if (top_level && create->lpCreateParams == reinterpret_cast<LPVOID>(INT_PTR{AboutWindow}))
      return 1;
  }
  return CallNextHookEx(nullptr, code, wp, lp);
}

TEST_F(CommandsTest, AboutWindowThatCannotBeCreatedIsReportedWithTheShortTitle) {
  HHOOK hook = SetWindowsHookExW(WH_CBT, RefuseAboutWindow, nullptr, GetCurrentThreadId());
  ASSERT_NE(hook, nullptr);
  Dispatch(MakeEvent(EventKind::Command, 13));
  AppState& app = App();
  app.language.sections[u"MENUMAIN"][u"ABOUT"] = u"\u00DCber...";
  OpenAboutWindow(nullptr);
  UnhookWindowsHookEx(hook);
  app.language = LanguageTable();
  LoadBuiltInTable(app.language);

  EXPECT_EQ(EntryWindowHandle(AboutWindow), nullptr);
  EXPECT_TRUE(IsWindowEnabled(app.main_window));
  ASSERT_EQ(boxes_.boxes.size(), 2u);
  EXPECT_EQ(boxes_.boxes[0].first, u"Error:\nCan't open \u201CAbout\u201D window.");
  EXPECT_EQ(boxes_.boxes[0].second, static_cast<unsigned>(MB_ICONERROR));
  EXPECT_EQ(boxes_.boxes[1].first, u"Error:\nCan't open \u201C\u00DCber\u201D window.");
}

TEST_F(CommandsTest, ListLosingTheFocusToTheMenuButtonKeepsTheButtonToReturnTo) {
  // Shift+F10 focuses the Menu button; the list's FocusLost arrives after it.
  AppState& app = App();
  app.last_focused_control = kCtlMenu;
  Dispatch(MakeEvent(EventKind::Control, kCtlList, FocusLost));
  EXPECT_EQ(app.last_focused_control, kCtlMenu);
  Dispatch(MakeEvent(EventKind::Command, 13));
  ASSERT_NE(EntryWindowHandle(AboutWindow), nullptr);
  Dispatch(MakeEvent(EventKind::Command, kAboutEnterCommand, 0, AboutWindow));
  EXPECT_EQ(GetFocus(), MainControl(kCtlMenu));
  // Using the list does make it the control to return to.
  Dispatch(MakeEvent(EventKind::Control, kCtlList, FocusGained));
  EXPECT_EQ(app.last_focused_control, kCtlList);
}

TEST_F(CommandsTest, AboutLinkReportsClicksAndSpaceAsItsOwnEvents) {
  Dispatch(MakeEvent(EventKind::Command, 13));
  HWND link = EntryControl(AboutWindow, kAboutLink);
  ASSERT_NE(link, nullptr);
  const Event click = MakeEvent(EventKind::Control, kAboutLink, ControlClick, AboutWindow);
  // Each on its own, since two equal events in a row are queued once.
  ClearEventQueue();
  SendMessageW(link, WM_KEYUP, VK_SPACE, 0);
  ASSERT_EQ(QueuedEventCount(), 1u);
  EXPECT_EQ(QueuedEvent(0), click);
  ClearEventQueue();
  RECT rect{};
  GetClientRect(link, &rect);
  SendMessageW(link, WM_LBUTTONUP, 0, MAKELPARAM(rect.right / 2, rect.bottom / 2));
  ASSERT_EQ(QueuedEventCount(), 1u);
  EXPECT_EQ(QueuedEvent(0), click);
  ClearEventQueue();
  SendMessageW(link, WM_KEYUP, VK_RETURN, 0);  // no event: Enter is the window's shortcut
  EXPECT_EQ(QueuedEventCount(), 0u);
  CloseEntryWindow(AboutWindow);
}

}  // namespace
}  // namespace gw
