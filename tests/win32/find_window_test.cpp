// The Find window with the real main window and the program's own names:
// typing selects the first match from the current row on, Down, Up, F3 and
// Shift+F3 go round the matches, the status bar counts them, Esc goes back
// to the row of before, Enter keeps the row with the focus on the list; and
// the tooltip of the Characters cell names the selected row's first character.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include "mainwindow/find_window.h"
#include "tests/win32/event_test_support.h"

namespace gw {
namespace {

using namespace testing_support;

// The default table: 0 „“, 1 »« guillemets, 2 “”, 3 «» guillemets, 4 –, 5 ‰.
class FindWindowTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { EnsureMainWindow(); }
  void SetUp() override { ResetMainWindow(); }
  void TearDown() override { ResetMainWindow(); }

  static Event Command(int id, int window = MainWindow) {
    return MakeEvent(EventKind::Command, id, 0, window);
  }
  static void Type(const wchar_t* text) {
    ASSERT_NE(EntryControl(FindEntryWindow, kFindField), nullptr);
    SetWindowTextW(EntryControl(FindEntryWindow, kFindField), text);
    Drain();
  }
  static int Current() { return App().table.CurrentRow(); }
};

TEST_F(FindWindowTest, TypingFindsFromTheCurrentRowArrowsGoRoundAndEscGoesBack) {
  SelectListRow(3);
  Dispatch(Command(kCmdFind));
  ASSERT_NE(EntryWindowHandle(FindEntryWindow), nullptr);
  EXPECT_FALSE(IsWindowEnabled(App().main_window));
  EXPECT_EQ(StatusText(), u"");

  Type(L"guillemets");  // rows 1 and 3: the current row matches already
  EXPECT_EQ(Current(), 3);
  EXPECT_EQ(SelectedListRow(), 3);
  EXPECT_EQ(StatusText(), u" 2 items match \u201Cguillemets\u201D.");
  Dispatch(Command(kCmdFindNext, FindEntryWindow));  // Down, F3
  EXPECT_EQ(Current(), 1);
  Dispatch(Command(kCmdFindNext, FindEntryWindow));
  EXPECT_EQ(Current(), 3);
  Dispatch(Command(kCmdFindPrevious, FindEntryWindow));  // Up, Shift+F3
  EXPECT_EQ(Current(), 1);

  Type(L"marks");  // the comments of rows 0 and 2 ("MARK" in the names)
  EXPECT_EQ(Current(), 2);
  Type(L"marks zzz");
  EXPECT_EQ(Current(), 2);
  EXPECT_EQ(StatusText(), u" No item matches \u201Cmarks zzz\u201D.");
  Type(L"  ");
  EXPECT_EQ(Current(), 3);  // nothing to look for: the row of before
  EXPECT_EQ(StatusText(), u"");

  Type(L"dash");
  EXPECT_EQ(Current(), 4);
  Dispatch(Command(11, FindEntryWindow));  // Esc
  EXPECT_EQ(EntryWindowHandle(FindEntryWindow), nullptr);
  EXPECT_TRUE(IsWindowEnabled(App().main_window));
  EXPECT_EQ(Current(), 3);
  EXPECT_EQ(SelectedListRow(), 3);
}

TEST_F(FindWindowTest, EnterKeepsTheRowAndF3RepeatsTheSearchInTheMainWindow) {
  App().last_focused_control = kCtlMenu;  // opened from the menu, say
  Dispatch(Command(kCmdFind));
  Type(L"Per Mille");  // only in the Unicode name of U+2030, "PER MILLE SIGN"
  EXPECT_EQ(Current(), 5);
  EXPECT_EQ(StatusText(), u" 1 item matches \u201CPer Mille\u201D.");
  Dispatch(Command(10, FindEntryWindow));  // Enter
  EXPECT_EQ(EntryWindowHandle(FindEntryWindow), nullptr);
  EXPECT_EQ(Current(), 5);
  EXPECT_TRUE(PumpUntil([] { return GetFocus() == App().list; }));

  SelectListRow(0);
  Dispatch(Command(kCmdFindNext));  // F3
  EXPECT_EQ(Current(), 5);
  EXPECT_EQ(StatusText(), u" 1 item matches \u201CPer Mille\u201D.");
  SelectListRow(0);
  Dispatch(Command(kCmdFindPrevious));  // Shift+F3
  EXPECT_EQ(Current(), 5);

  // The window opens again with the last text, and Enter on Cancel cancels.
  SelectListRow(1);
  Dispatch(Command(kCmdFind));
  EXPECT_EQ(WindowTextOf(EntryControl(FindEntryWindow, kFindField)), u"Per Mille");
  Type(L"Per Mille sign");
  EXPECT_EQ(Current(), 5);
  SetFocus(EntryControl(FindEntryWindow, kFindCancel));
  Dispatch(Command(10, FindEntryWindow));
  EXPECT_EQ(EntryWindowHandle(FindEntryWindow), nullptr);
  EXPECT_EQ(Current(), 1);

  // A field cleared before closing leaves nothing to repeat: F3 opens the
  // window, empty, instead of searching for the deleted text.
  Dispatch(Command(kCmdFind));
  Type(L"");
  Dispatch(Command(11, FindEntryWindow));  // Esc
  Dispatch(Command(kCmdFindNext));         // F3
  EXPECT_EQ(Current(), 1);
  ASSERT_NE(EntryWindowHandle(FindEntryWindow), nullptr);
  EXPECT_EQ(WindowTextOf(EntryControl(FindEntryWindow, kFindField)), u"");
  Dispatch(Command(11, FindEntryWindow));
}

TEST_F(FindWindowTest, TheCharactersCellsTooltipNamesTheFirstCharacter) {
  SelectListRow(1);  // »«
  NMTTDISPINFOW request{};
  request.hdr.hwndFrom = MainTooltipWindow();
  request.hdr.idFrom = 1;
  request.hdr.code = TTN_GETDISPINFOW;
  ASSERT_NE(request.hdr.hwndFrom, nullptr);
  SendMessageW(App().list, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&request));
  ASSERT_NE(request.lpszText, nullptr);
  EXPECT_STREQ(request.lpszText, L"RIGHT-POINTING DOUBLE ANGLE QUOTATION MARK");
}

}  // namespace
}  // namespace gw
