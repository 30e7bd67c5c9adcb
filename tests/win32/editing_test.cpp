// Editing the table in-process with the real main window: Delete, the moves,
// and the Edit and New windows with their checks, keys and write failures.
// After every operation the trigger index must hold exactly the non-empty
// triggers of the rows with their row numbers, and the list must show the rows.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <unordered_map>

#include "base/platform.h"
#include "table/character_file.h"
#include "table/default_table.h"
#include "tests/win32/event_test_support.h"

namespace gw {
namespace {

using namespace testing_support;

Event Ev(EventKind kind, int object, int type, int window) {
  return MakeEvent(kind, object, type, window);
}
Event Click(int id, int window = MainWindow) {
  return Ev(EventKind::Control, id, ControlClick, window);
}
Event Command(int id, int window = MainWindow) { return Ev(EventKind::Command, id, 0, window); }

class EditingTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { EnsureMainWindow(); }

  void SetUp() override {
    ASSERT_NE(App().main_window, nullptr);
    ResetMainWindow();
    NewEntryPosition() = EntryPosition::Above;
    path_ = folder_.Of("Characters.json");
    App().character_path = path_;
    ASSERT_TRUE(WriteCharacterFile(App().table, path_, -1));
    // Known to the program, so that activating the main window rereads nothing.
    App().file_stamp = FileStampOf(path_);
    // Boxes are recorded together with whether an editor was still open.
    SetMessageBoxHook([this](const Text& text, unsigned flags) {
      boxes_.push_back({text, flags});
      editor_open_at_box_.push_back(EntryWindowHandle(EditEntryWindow) ||
                                    EntryWindowHandle(NewEntryWindow));
      return answer_;
    });
  }

  void TearDown() override {
    SetMessageBoxHook(nullptr);
    CloseEntryWindow(EditEntryWindow);
    CloseEntryWindow(NewEntryWindow);
    SetFileAttributesW(reinterpret_cast<const wchar_t*>(path_.c_str()), FILE_ATTRIBUTE_NORMAL);
    App().language = LanguageTable();
    LoadBuiltInTable(App().language);
    App().character_path.clear();
    App().file_stamp = 0;
    ResetMainWindow();
  }

  void LoadRows(const std::vector<CharacterEntry>& rows, int current) {
    AppState& app = App();
    app.table.BuildRowsFromRecords(rows);
    FillMainList();
    SelectListRow(current);
    SetFocus(app.list);
    Drain();
    ClearEventQueue();
    ASSERT_TRUE(WriteCharacterFile(app.table, path_, -1));
    app.file_stamp = FileStampOf(path_);
  }

  void MakeReadOnly() {
    ASSERT_TRUE(SetFileAttributesW(reinterpret_cast<const wchar_t*>(path_.c_str()),
                                   FILE_ATTRIBUTE_READONLY));
  }

  std::string FileBytes() { return testing_support::FileBytes(path_); }

  // The index holds exactly the non-empty triggers with their rows, the list
  // shows the rows, and the file holds them when `file_too` is set.
  void ExpectInStep(bool file_too = true) {
    const CharacterTable& table = App().table;
    std::unordered_map<Text, int> expected;
    for (int row = 0; row < table.RowCount(); ++row)
      if (!table.Column(row, 0).empty()) expected[table.Column(row, 0)] = row;
    EXPECT_EQ(table.Triggers().Entries(), expected);
    ASSERT_EQ(ListView_GetItemCount(App().list), table.RowCount());
    for (int row = 0; row < table.RowCount(); ++row)
      for (int column = 0; column < 4; ++column)
        EXPECT_EQ(ListText(App().list, row, column), table.Column(row, column)) << row << "/" << column;
    if (file_too) EXPECT_EQ(FileBytes(), SerializeCharacterFile(table));
  }

  void ExpectWriteErrorAfterClose() {
    ASSERT_EQ(boxes_.size(), 1u);
    EXPECT_EQ(boxes_[0].first, u"Can't write file:\n" + path_);
    EXPECT_EQ(boxes_[0].second, static_cast<unsigned>(MB_ICONERROR));
    EXPECT_FALSE(editor_open_at_box_[0]);
  }

  HWND Field(int window, int id) { return EntryControl(window, id); }
  void Type(int window, int id, const Text& text) {
    SetWindowTextW(Field(window, id), reinterpret_cast<const wchar_t*>(text.c_str()));
  }
  Text Read(int window, int id) { return WindowTextOf(Field(window, id)); }

  void OpenNew(const Text& trigger, const Text& code, const Text& comment) {
    Dispatch(Command(7));  // Ctrl+N
    ASSERT_NE(EntryWindowHandle(NewEntryWindow), nullptr);
    Type(NewEntryWindow, kNewTriggerField, trigger);
    Type(NewEntryWindow, kNewCodeField, code);
    Type(NewEntryWindow, kNewCommentField, comment);
  }

  TempFolder folder_{"gw-edit-"};
  Text path_;
  std::vector<std::pair<Text, unsigned>> boxes_;
  std::vector<bool> editor_open_at_box_;
  int answer_ = IDYES;
};

// --- Delete -----------------------------------------------------------------------------

TEST_F(EditingTest, DeleteAsksWithTheRowsColumnsThenWritesAndRemoves) {
  LoadRows({{u"a", u"\\u0061", u"A"},
            {u"", u"\\u0062", u"B"},
            {u"c", u"\\u00AB\\u00BB", u"C c"},
            {u"d", u"\\u0064", u"D"},
            {u"e", u"\\u0065", u"E"}},
           2);
  Dispatch(Click(kCtlDelete));
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(
      boxes_[0].first,
      u"Do you really want to delete the selected item?\n\nc\t\u00AB\u00BB\t\\u00AB\\u00BB\tC c");
  EXPECT_EQ(boxes_[0].second, static_cast<unsigned>(MB_YESNO | MB_DEFBUTTON2));
  EXPECT_EQ(App().table.RowCount(), 4);
  EXPECT_EQ(App().table.CurrentRow(), 2);  // the former row 3
  EXPECT_EQ(SelectedListRow(), 2);
  EXPECT_EQ(App().table.FindTrigger(u"d"), 2);
  EXPECT_EQ(App().table.FindTrigger(u"c"), -1);
  EXPECT_EQ(App().file_stamp, FileStampOf(path_));
  EXPECT_EQ(App().last_focused_control, kCtlDelete);
  ExpectInStep();

  // The last row: no current row afterwards.
  SelectListRow(3);
  Dispatch(Click(kCtlDelete));
  EXPECT_EQ(App().table.RowCount(), 3);
  EXPECT_EQ(App().table.CurrentRow(), -1);
  EXPECT_EQ(SelectedListRow(), -1);
  ExpectInStep();
  // Without a current row Delete asks nothing.
  Dispatch(Click(kCtlDelete));
  EXPECT_EQ(boxes_.size(), 2u);
}

TEST_F(EditingTest, DeleteAnsweredNoOrOnTheOnlyRow) {
  LoadRows({{u"x", u"\\u0078", u"only"}}, 0);
  const std::string before = FileBytes();
  answer_ = IDNO;
  Dispatch(Click(kCtlDelete));
  EXPECT_EQ(FileBytes(), before);
  EXPECT_EQ(App().table.RowCount(), 1);
  EXPECT_EQ(App().table.CurrentRow(), 0);
  answer_ = IDYES;
  Dispatch(Click(kCtlDelete));
  EXPECT_EQ(App().table.RowCount(), 0);
  EXPECT_EQ(App().table.CurrentRow(), -1);
  EXPECT_EQ(FileBytes(), "[\r\n  \"Glyphwell 1.11\"\r\n]");
  ExpectInStep();
}

TEST_F(EditingTest, DeleteOnAReadOnlyFileKeepsTheRow) {
  SelectListRow(4);
  MakeReadOnly();
  const std::string before = FileBytes();
  Dispatch(Click(kCtlDelete));
  ASSERT_EQ(boxes_.size(), 2u);
  EXPECT_EQ(boxes_[1].first, u"Can't write file:\n" + path_);
  EXPECT_EQ(boxes_[1].second, static_cast<unsigned>(MB_ICONERROR));
  EXPECT_EQ(App().table.RowCount(), 6);
  EXPECT_EQ(App().table.CurrentRow(), 4);
  EXPECT_EQ(FileBytes(), before);
  ExpectInStep();
}

// --- Moves ------------------------------------------------------------------------------

TEST_F(EditingTest, MovingThePerMilleRowUpTwiceAndTheEnds) {
  SelectListRow(5);
  SetFocus(App().list);
  Dispatch(Command(4));
  Dispatch(Command(4));
  EXPECT_EQ(App().table.CurrentRow(), 3);
  EXPECT_EQ(SelectedListRow(), 3);
  EXPECT_EQ(App().table.Column(3, 0), u"%");
  EXPECT_EQ(App().table.FindTrigger(u"%"), 3);
  EXPECT_EQ(App().table.FindTrigger(u"-"), 5);
  EXPECT_EQ(App().file_stamp, FileStampOf(path_));
  ExpectInStep();
  std::vector<CharacterEntry> read;
  ASSERT_TRUE(ReadCharacterFile(path_, read));
  EXPECT_EQ(read[3].trigger, u"%");

  const std::string before = FileBytes();
  SelectListRow(0);
  SetFocus(App().list);
  Dispatch(Command(4));  // up on row 0
  EXPECT_EQ(App().table.CurrentRow(), 0);
  SelectListRow(5);
  SetFocus(App().list);
  Dispatch(Command(5));  // down on the last row
  EXPECT_EQ(App().table.CurrentRow(), 5);
  // Another control has the focus: nothing.
  SelectListRow(2);
  SetFocus(MainControl(kCtlNew));
  Dispatch(Command(5));
  EXPECT_EQ(App().table.Column(2, 2), u"\\u201C\\u201D");
  EXPECT_EQ(FileBytes(), before);
  EXPECT_TRUE(boxes_.empty());
  ExpectInStep();
}

TEST_F(EditingTest, MoveOnAReadOnlyFileIsUndone) {
  SelectListRow(4);
  SetFocus(App().list);
  MakeReadOnly();
  const std::string before = FileBytes();
  Dispatch(Command(5));
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0].first, u"Can't write file:\n" + path_);
  EXPECT_EQ(App().table.CurrentRow(), 4);
  EXPECT_EQ(App().table.Column(4, 0), u"-");
  EXPECT_EQ(App().table.FindTrigger(u"-"), 4);
  EXPECT_EQ(App().table.FindTrigger(u"%"), 5);
  EXPECT_EQ(FileBytes(), before);
  ExpectInStep();
}

// --- The Edit window --------------------------------------------------------------------

TEST_F(EditingTest, EditWindowLayoutAndOpeningState) {
  SelectListRow(4);
  const std::string before = FileBytes();
  Dispatch(Click(kCtlEdit));
  HWND window = EntryWindowHandle(EditEntryWindow);
  ASSERT_NE(window, nullptr);
  EXPECT_FALSE(IsWindowEnabled(App().main_window));
  EXPECT_EQ(GetWindow(window, GW_OWNER), App().main_window);
  EXPECT_EQ(WindowTextOf(window), u"Edit item");
  const LONG_PTR style = GetWindowLongPtrW(window, GWL_STYLE);
  EXPECT_TRUE(style & WS_CAPTION);
  EXPECT_FALSE(style & WS_SYSMENU);
  RECT client{};
  GetClientRect(window, &client);
  EXPECT_EQ(client.right, ScaleX(460));
  EXPECT_EQ(client.bottom, ScaleY(150));
  RECT outer{}, main{};
  GetWindowRect(window, &outer);
  GetWindowRect(App().main_window, &main);
  EXPECT_EQ(outer.left,
            std::max(0L, main.left + ((main.right - main.left) - (outer.right - outer.left)) / 2));
  EXPECT_EQ(outer.top,
            std::max(0L, main.top + ((main.bottom - main.top) - (outer.bottom - outer.top)) / 2));

  EXPECT_EQ(Read(EditEntryWindow, kEditTriggerField), u"-");
  EXPECT_EQ(Read(EditEntryWindow, kEditCodeField), u"\\u2013");
  EXPECT_EQ(Read(EditEntryWindow, kEditCommentField), u"en dash");
  EXPECT_EQ(GetFocus(), Field(EditEntryWindow, kEditTriggerField));
  DWORD sel_start = 9, sel_end = 9;  // the focused field's text is selected
  SendMessageW(Field(EditEntryWindow, kEditTriggerField), EM_GETSEL,
               reinterpret_cast<WPARAM>(&sel_start), reinterpret_cast<LPARAM>(&sel_end));
  EXPECT_EQ(sel_start, 0u);
  EXPECT_EQ(sel_end, 1u);
  HWND code = Field(EditEntryWindow, kEditCodeField);
  EXPECT_EQ(SendMessageW(code, EM_GETLIMITTEXT, 0, 0), 0x100000);
  EXPECT_TRUE(GetWindowLongPtrW(code, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);  // seen in high contrast
  EXPECT_EQ(reinterpret_cast<HFONT>(
                SendMessageW(Field(EditEntryWindow, kEditCodeLabel), WM_GETFONT, 0, 0)),
            BoldMessageFont());
  RECT ok{};
  GetWindowRect(Field(EditEntryWindow, kEditOk), &ok);
  MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&ok), 2);
  EXPECT_EQ(ok.left, ScaleX(20));
  EXPECT_EQ(ok.top, ScaleY(110));
  EXPECT_EQ(ok.bottom - ok.top, ScaleY(25));
  // Tab order: trigger, code, comment, OK, Cancel.
  EXPECT_EQ(GetNextDlgTabItem(window, Field(EditEntryWindow, kEditTriggerField), FALSE), code);
  EXPECT_EQ(GetNextDlgTabItem(window, Field(EditEntryWindow, kEditCommentField), FALSE),
            Field(EditEntryWindow, kEditOk));

  // A close request cancels, as Cancel does: nothing is written.
  SetWindowTextW(code, L"x");
  Dispatch(Ev(EventKind::Close, 0, 0, EditEntryWindow));
  EXPECT_EQ(EntryWindowHandle(EditEntryWindow), nullptr);
  EXPECT_EQ(FileBytes(), before);
  Dispatch(Click(kCtlEdit));
  Dispatch(Click(kEditCancel, EditEntryWindow));
  EXPECT_EQ(EntryWindowHandle(EditEntryWindow), nullptr);
  EXPECT_TRUE(IsWindowEnabled(App().main_window));
  EXPECT_EQ(GetFocus(), MainControl(kCtlEdit));
  EXPECT_EQ(FileBytes(), before);

  // No current row: nothing opens.
  SelectListRow(-1);
  Dispatch(Click(kCtlEdit));
  EXPECT_EQ(EntryWindowHandle(EditEntryWindow), nullptr);
}

TEST_F(EditingTest, EditChecksTriggerAndReplacesTheRow) {
  SelectListRow(4);
  Dispatch(Click(kCtlEdit));
  // Only the comment changes: the indexed trigger "-" passes.
  Type(EditEntryWindow, kEditCommentField, u"  dash  ");
  Dispatch(Click(kEditOk, EditEntryWindow));
  EXPECT_TRUE(boxes_.empty());
  EXPECT_EQ(App().table.Column(4, 3), u"dash");
  EXPECT_EQ(App().table.CurrentRow(), 4);
  EXPECT_EQ(App().file_stamp, FileStampOf(path_));
  ExpectInStep();

  // Another row's trigger: rejected, nothing changes, focus on the trigger.
  Dispatch(Click(kCtlEdit));
  Type(EditEntryWindow, kEditTriggerField, u"%");
  Type(EditEntryWindow, kEditCodeField, u"x");
  Dispatch(Click(kEditOk, EditEntryWindow));
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0].first, u"This trigger already exists.");
  EXPECT_NE(EntryWindowHandle(EditEntryWindow), nullptr);
  EXPECT_EQ(GetFocus(), Field(EditEntryWindow, kEditTriggerField));
  EXPECT_EQ(App().table.Column(4, 2), u"\\u2013");

  // Cleared trigger: "-" leaves the index.
  Type(EditEntryWindow, kEditTriggerField, u"   ");
  Dispatch(Click(kEditOk, EditEntryWindow));
  EXPECT_EQ(EntryWindowHandle(EditEntryWindow), nullptr);
  EXPECT_EQ(App().table.FindTrigger(u"-"), -1);
  EXPECT_EQ(App().table.Column(4, 1), u"x");
  EXPECT_EQ(App().table.Column(4, 2), u"\\u0078");
  ExpectInStep();
}

TEST_F(EditingTest, EditOnAReadOnlyFileKeepsTheNewContent) {
  SelectListRow(5);
  MakeReadOnly();
  const std::string before = FileBytes();
  Dispatch(Click(kCtlEdit));
  Type(EditEntryWindow, kEditTriggerField, u"q");
  Dispatch(Click(kEditOk, EditEntryWindow));
  ExpectWriteErrorAfterClose();
  EXPECT_EQ(App().table.Column(5, 0), u"q");
  EXPECT_EQ(App().table.FindTrigger(u"q"), 5);
  EXPECT_EQ(FileBytes(), before);
  ExpectInStep(false);
}

// --- The New window ---------------------------------------------------------------------

TEST_F(EditingTest, NewRejectsInOrderAndStoresTrimmedInput) {
  SelectListRow(0);
  OpenNew(u"\U0001F600", u"x", u"");
  Dispatch(Click(kNewOk, NewEntryWindow));
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0].first, u"The trigger may consist of 1 character only.");
  EXPECT_EQ(boxes_[0].second, static_cast<unsigned>(MB_ICONERROR));
  // The Code field is examined first.
  Type(NewEntryWindow, kNewCodeField, u"");
  Dispatch(Click(kNewOk, NewEntryWindow));
  ASSERT_EQ(boxes_.size(), 2u);
  EXPECT_EQ(boxes_[1].first, u"Invalid entry");
  EXPECT_EQ(GetFocus(), Field(NewEntryWindow, kNewCodeField));
  Type(NewEntryWindow, kNewTriggerField, u"-");
  Type(NewEntryWindow, kNewCodeField, u"\\u00e9");
  Dispatch(Click(kNewOk, NewEntryWindow));
  ASSERT_EQ(boxes_.size(), 3u);
  EXPECT_EQ(boxes_[2].first, u"This trigger already exists.");
  EXPECT_EQ(App().table.RowCount(), 6);

  Type(NewEntryWindow, kNewTriggerField, u"  x  ");
  Type(NewEntryWindow, kNewCommentField, u" e acute ");
  Dispatch(Click(kNewOk, NewEntryWindow));
  EXPECT_EQ(boxes_.size(), 3u);
  EXPECT_EQ(EntryWindowHandle(NewEntryWindow), nullptr);
  EXPECT_EQ(App().table.RowCount(), 7);
  EXPECT_EQ(App().table.Entry(0), (CharacterEntry{u"x", u"\\u00E9", u"e acute"}));
  EXPECT_EQ(App().table.Column(0, 1), u"\u00E9");
  EXPECT_EQ(App().table.CurrentRow(), 0);
  EXPECT_EQ(GetFocus(), MainControl(kCtlNew));
  EXPECT_EQ(App().file_stamp, FileStampOf(path_));
  ExpectInStep();

  OpenNew(u"", u"\u00AB\u00BB", u"");
  Dispatch(Click(kNewOk, NewEntryWindow));
  EXPECT_EQ(App().table.Column(0, 2), u"\\u00AB\\u00BB");
  ExpectInStep();
}

TEST_F(EditingTest, NewWithoutCurrentRowThenBelowIsPreselected) {
  LoadRows({}, -1);
  Dispatch(Command(7));
  HWND window = EntryWindowHandle(NewEntryWindow);
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(WindowTextOf(window), u"New item");
  EXPECT_FALSE(IsWindowEnabled(Field(NewEntryWindow, kNewAbove)));
  EXPECT_FALSE(IsWindowEnabled(Field(NewEntryWindow, kNewBelow)));
  EXPECT_FALSE(IsWindowEnabled(Field(NewEntryWindow, kNewCurrentLabel)));
  EXPECT_EQ(IsDlgButtonChecked(window, kNewAbove), BST_UNCHECKED);
  EXPECT_EQ(IsDlgButtonChecked(window, kNewBelow), BST_UNCHECKED);
  EXPECT_EQ(GetFocus(), Field(NewEntryWindow, kNewTriggerField));
  RECT client{};
  GetClientRect(window, &client);
  EXPECT_EQ(client.bottom, ScaleY(230));
  Type(NewEntryWindow, kNewCodeField, u"a");
  Dispatch(Click(kNewOk, NewEntryWindow));
  EXPECT_EQ(App().table.RowCount(), 1);
  EXPECT_EQ(NewEntryPosition(), EntryPosition::Below);
  EXPECT_EQ(App().table.CurrentRow(), 0);

  Dispatch(Command(7));
  window = EntryWindowHandle(NewEntryWindow);
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(IsWindowEnabled(Field(NewEntryWindow, kNewAbove)));
  EXPECT_EQ(IsDlgButtonChecked(window, kNewBelow), BST_CHECKED);
  EXPECT_EQ(IsDlgButtonChecked(window, kNewAbove), BST_UNCHECKED);
  Type(NewEntryWindow, kNewCodeField, u"b");
  Dispatch(Click(kNewOk, NewEntryWindow));
  EXPECT_EQ(App().table.Column(1, 1), u"b");
  EXPECT_EQ(App().table.CurrentRow(), 1);
  ExpectInStep();
}

TEST_F(EditingTest, NewAboveRowThreeMovesTheOldRowDown) {
  LoadRows({{u"a", u"\\u0061", u""},
            {u"b", u"\\u0062", u""},
            {u"", u"\\u0063", u""},
            {u"d", u"\\u0064", u""},
            {u"e", u"\\u0065", u""}},
           3);
  OpenNew(u"n", u"N", u"new");
  EXPECT_EQ(IsDlgButtonChecked(EntryWindowHandle(NewEntryWindow), kNewAbove), BST_CHECKED);
  Dispatch(Click(kNewOk, NewEntryWindow));
  EXPECT_EQ(App().table.Column(3, 0), u"n");
  EXPECT_EQ(App().table.Column(4, 0), u"d");
  EXPECT_EQ(App().table.FindTrigger(u"d"), 4);
  EXPECT_EQ(App().table.FindTrigger(u"e"), 5);
  EXPECT_EQ(App().table.CurrentRow(), 3);
  ExpectInStep();
}

TEST_F(EditingTest, NewOnAReadOnlyFileLeavesTheTableAsBefore) {
  SelectListRow(4);
  MakeReadOnly();
  const std::string before = FileBytes();
  OpenNew(u"z", u"\\u007A", u"zed");
  Dispatch(Click(kNewOk, NewEntryWindow));
  ExpectWriteErrorAfterClose();
  EXPECT_EQ(App().table.RowCount(), 6);
  EXPECT_EQ(App().table.FindTrigger(u"z"), -1);
  EXPECT_EQ(App().table.FindTrigger(u"-"), 4);
  EXPECT_EQ(App().table.CurrentRow(), 4);
  EXPECT_EQ(SelectedListRow(), 4);
  EXPECT_EQ(FileBytes(), before);
  EXPECT_TRUE(IsWindowEnabled(App().main_window));
  ExpectInStep();
}

// --- Keys of the editors ------------------------------------------------------------------

TEST_F(EditingTest, ReturnArrowsAndMnemonicsInTheNewWindow) {
  SelectListRow(1);
  OpenNew(u"", u"r", u"");
  HWND window = EntryWindowHandle(NewEntryWindow);
  ASSERT_TRUE(PumpUntil([&] { return GetActiveWindow() == window; }));
  // Up in an edit field does nothing; on "below" it selects "above".
  PostKey(Field(NewEntryWindow, kNewTriggerField), VK_UP);
  Drain();
  EXPECT_EQ(GetFocus(), Field(NewEntryWindow, kNewTriggerField));
  EXPECT_EQ(IsDlgButtonChecked(window, kNewAbove), BST_CHECKED);
  SetFocus(Field(NewEntryWindow, kNewAbove));
  PostKey(Field(NewEntryWindow, kNewAbove), VK_DOWN);
  Drain();
  EXPECT_EQ(GetFocus(), Field(NewEntryWindow, kNewBelow));
  EXPECT_EQ(IsDlgButtonChecked(window, kNewBelow), BST_CHECKED);
  EXPECT_EQ(IsDlgButtonChecked(window, kNewAbove), BST_UNCHECKED);
  PostKey(Field(NewEntryWindow, kNewBelow), VK_UP);
  Drain();
  EXPECT_EQ(GetFocus(), Field(NewEntryWindow, kNewAbove));
  EXPECT_EQ(IsDlgButtonChecked(window, kNewAbove), BST_CHECKED);
  // Right and Left move through the options as Down and Up do.
  PostKey(Field(NewEntryWindow, kNewAbove), VK_RIGHT);
  Drain();
  EXPECT_EQ(GetFocus(), Field(NewEntryWindow, kNewBelow));
  EXPECT_EQ(IsDlgButtonChecked(window, kNewBelow), BST_CHECKED);
  PostKey(Field(NewEntryWindow, kNewBelow), VK_LEFT);
  Drain();
  EXPECT_EQ(IsDlgButtonChecked(window, kNewAbove), BST_CHECKED);

  // Return on Cancel closes without writing.
  const std::string before = FileBytes();
  SetFocus(Field(NewEntryWindow, kNewCancel));
  PostKey(Field(NewEntryWindow, kNewCancel), VK_RETURN);
  Drain();
  EXPECT_EQ(EntryWindowHandle(NewEntryWindow), nullptr);
  EXPECT_EQ(App().table.RowCount(), 6);
  EXPECT_EQ(FileBytes(), before);

  // Return in the comment field applies.
  OpenNew(u"", u"r", u"");
  SetFocus(Field(NewEntryWindow, kNewCommentField));
  PostKey(Field(NewEntryWindow, kNewCommentField), VK_RETURN);
  Drain();
  EXPECT_EQ(EntryWindowHandle(NewEntryWindow), nullptr);
  EXPECT_EQ(App().table.Column(1, 1), u"r");
  ExpectInStep();

  // Alt+C cancels, Alt+O applies.
  OpenNew(u"", u"s", u"");
  ASSERT_TRUE(PumpUntil([] { return GetActiveWindow() == EntryWindowHandle(NewEntryWindow); }));
  SendAltKey('C');
  ASSERT_TRUE(PumpUntil([] { return EntryWindowHandle(NewEntryWindow) == nullptr; }));
  EXPECT_EQ(App().table.RowCount(), 7);
  OpenNew(u"", u"s", u"");
  ASSERT_TRUE(PumpUntil([] { return GetActiveWindow() == EntryWindowHandle(NewEntryWindow); }));
  SendAltKey('O');
  ASSERT_TRUE(PumpUntil([] { return EntryWindowHandle(NewEntryWindow) == nullptr; }));
  EXPECT_EQ(App().table.RowCount(), 8);
  ExpectInStep();
}

// Closing an editor hides it at once and hands the activation back to the
// main window; the window itself goes when the program is idle. Until then,
// nothing that reaches it is an event, not even for a new editor of the
// same kind.
TEST_F(EditingTest, ClosedEditorIsHiddenAtOnceAndDestroyedWhenIdle) {
  SelectListRow(1);
  OpenNew(u"", u"q", u"first");
  HWND old_window = EntryWindowHandle(NewEntryWindow);
  HWND old_ok = Field(NewEntryWindow, kNewOk);
  ASSERT_TRUE(PumpUntil([&] { return GetActiveWindow() == old_window; }));

  DispatchEvent(Click(kNewOk, NewEntryWindow));
  EXPECT_EQ(EntryWindowHandle(NewEntryWindow), nullptr);
  ASSERT_TRUE(IsWindow(old_window));
  EXPECT_FALSE(IsWindowVisible(old_window));
  EXPECT_TRUE(IsWindowEnabled(App().main_window));
  EXPECT_EQ(GetActiveWindow(), App().main_window);
  EXPECT_EQ(App().table.Column(1, 3), u"first");
  EXPECT_EQ(FileBytes(), SerializeCharacterFile(App().table));

  DispatchEvent(Command(7));  // Ctrl+N while the old window waits
  HWND new_window = EntryWindowHandle(NewEntryWindow);
  ASSERT_NE(new_window, nullptr);
  ASSERT_NE(new_window, old_window);
  Type(NewEntryWindow, kNewCodeField, u"s");
  SendMessageW(old_window, WM_COMMAND, MAKEWPARAM(kNewOk, BN_CLICKED),
               reinterpret_cast<LPARAM>(old_ok));
  Drain();
  EXPECT_FALSE(IsWindow(old_window));
  EXPECT_EQ(EntryWindowHandle(NewEntryWindow), new_window);
  EXPECT_EQ(App().table.RowCount(), 7);
  DispatchEvent(Click(kNewCancel, NewEntryWindow));
  Drain();
  EXPECT_FALSE(IsWindow(new_window));
  EXPECT_EQ(App().table.RowCount(), 7);
  ExpectInStep();
}

TEST_F(EditingTest, SharedMnemonicBindsToOkOnly) {
  App().language.sections[u"General"][u"Cancel"] = u"&Off";
  SelectListRow(4);
  Dispatch(Click(kCtlEdit));
  ASSERT_TRUE(PumpUntil([] { return GetActiveWindow() == EntryWindowHandle(EditEntryWindow); }));
  Type(EditEntryWindow, kEditCommentField, u"via Alt+O");
  SendAltKey('O');
  ASSERT_TRUE(PumpUntil([] { return EntryWindowHandle(EditEntryWindow) == nullptr; }));
  EXPECT_EQ(App().table.Column(4, 3), u"via Alt+O");
  ExpectInStep();
}

}  // namespace
}  // namespace gw
