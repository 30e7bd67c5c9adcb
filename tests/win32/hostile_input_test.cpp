// Hostile texts through the real windows, in-process: an edit field filled to
// its limit, texts longer than that limit, 100,000 code fields, fields above
// U+10FFFF and lone surrogates, each through the editor, the file, the list,
// insertion and the clipboard. Insertion is recorded through the key hook
// (under Wine a million synthesised keys would take minutes to arrive), with
// notepad in front so that the keys have a window to go to.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "base/platform.h"
#include "table/character_file.h"
#include "table/code_notation.h"
#include "mainwindow/hotkey_win32.h"
#include "tests/win32/event_test_support.h"

namespace gw {
namespace {

using namespace testing_support;
using Batch = std::vector<KeyRecord>;

constexpr size_t kFieldLimit = 0x100000;
constexpr char16_t kHigh = 0xD800, kLow = 0xDC00;

Event Click(int id, int window) { return MakeEvent(EventKind::Control, id, ControlClick, window); }
Event Command(int id) { return MakeEvent(EventKind::Command, id); }

Text ListCell(int row, int column) { return ListText(App().list, row, column); }

// The units that a batch of Unicode key records types, from its key-downs.
Text TypedText(const Batch& batch) {
  Text text;
  for (const KeyRecord& r : batch)
    if ((r.flags & kKeyUnicode) && !(r.flags & kKeyUp)) text.push_back(static_cast<char16_t>(r.scan));
  return text;
}

// Wine's notepad, to type into.
Notepad g_notepad;

class HostileInputTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    EnsureMainWindow();
    g_notepad.Start();
  }

  static void TearDownTestSuite() { g_notepad.Stop(); }

  void SetUp() override {
    ASSERT_NE(g_notepad.window, nullptr) << "notepad did not start";
    ResetMainWindow();
    NewEntryPosition() = EntryPosition::Above;
    path_ = folder_.Of("Characters.json");
    App().character_path = path_;
    SetMessageBoxHook([this](const Text& text, unsigned) {
      boxes_.push_back(text);
      return IDOK;
    });
    SetKeyInputHookForTesting([this](const Batch& batch) { batches_.push_back(batch); });
  }

  void TearDown() override {
    SetKeyInputHookForTesting(nullptr);
    SetMessageBoxHook(nullptr);
    CloseEntryWindow(EditEntryWindow);
    CloseEntryWindow(NewEntryWindow);
    App().character_path.clear();
    App().file_stamp = 0;
    ResetMainWindow();
  }

  // The table of `rows` as if read from the file at start-up, row 0 current.
  void LoadRows(const std::vector<CharacterEntry>& rows) {
    AppState& app = App();
    app.records = rows;
    app.table.BuildRowsFromRecords(rows);
    FillMainList();
    SelectListRow(0);
    ASSERT_TRUE(WriteCharacterFile(app.table, path_, -1));
    app.file_stamp = FileStampOf(path_);
    SetFocus(app.list);
    Drain();
    ClearEventQueue();
  }

  // The user works in notepad and brings the main window up with the hotkey.
  void FromNotepad() {
    ForgetPreviousWindowForTesting();
    SetForegroundWindow(g_notepad.window);
    ASSERT_TRUE(PumpUntil([] { return GetForegroundWindow() == g_notepad.window; }));
    SendMessageW(App().main_window, WM_HOTKEY, 1, MAKELPARAM(0, VK_F10));
    ASSERT_TRUE(PumpUntil([] { return GetForegroundWindow() == App().main_window && GetFocus() == App().list; }));
  }

  // Enter on the current row: the keys typed into notepad.
  Text InsertCurrentRow() {
    FromNotepad();
    batches_.clear();
    Dispatch(Command(0));
    EXPECT_EQ(batches_.size(), 1u) << "one SendInput call for the whole text";
    return batches_.empty() ? Text() : TypedText(batches_[0]);
  }

  std::vector<CharacterEntry> FileRecords() {
    std::vector<CharacterEntry> records;
    EXPECT_TRUE(ReadCharacterFile(path_, records));
    return records;
  }

  HWND Field(int window, int id) { return EntryControl(window, id); }
  void Set(int window, int id, const Text& text) {
    SendMessageW(Field(window, id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
  }

  TempFolder folder_{"gw-hostile-"};
  Text path_;
  std::vector<Text> boxes_;
  std::vector<Batch> batches_;
};

TEST_F(HostileInputTest, CodeFieldFilledToItsLimitBecomesARowThatIsInsertedInOneCall) {
  LoadRows(DefaultCharacterEntries());
  Dispatch(Command(7));  // Ctrl+N
  ASSERT_NE(EntryWindowHandle(NewEntryWindow), nullptr);
  // Typing or pasting stops at the field's limit.
  const Text pasted(kFieldLimit + 10, u'x');
  SendMessageW(Field(NewEntryWindow, kNewCodeField), EM_REPLACESEL, FALSE,
               reinterpret_cast<LPARAM>(pasted.c_str()));
  ASSERT_EQ(WindowTextOf(Field(NewEntryWindow, kNewCodeField)).size(), kFieldLimit);
  Set(NewEntryWindow, kNewTriggerField, u"z");
  Dispatch(Click(kNewOk, NewEntryWindow));
  ASSERT_EQ(boxes_, std::vector<Text>{});
  ASSERT_EQ(EntryWindowHandle(NewEntryWindow), nullptr);

  const Text characters(kFieldLimit, u'x');
  const Text code = CodeTextFromCharacters(characters);
  ASSERT_EQ(code.size(), 6 * kFieldLimit);
  EXPECT_EQ(App().table.Entry(0), (CharacterEntry{u"z", code, u""}));
  const Text start = ListCell(0, 1);  // the list shows the start of the characters
  EXPECT_GE(start.size(), 63u);
  EXPECT_EQ(start, Text(start.size(), u'x'));
  const auto records = FileRecords();
  ASSERT_EQ(records.size(), 7u);
  EXPECT_EQ(records[0], (CharacterEntry{u"z", code, u""}));

  // 2 * 0x100000 key records in one call, and no caret move after them.
  SelectListRow(0);
  EXPECT_EQ(InsertCurrentRow(), characters);
  EXPECT_EQ(batches_[0].size(), 2 * kFieldLimit);
}

TEST_F(HostileInputTest, TextsLongerThanTheFieldLimitSurviveTheEditWindow) {
  // Only a hand-edited file can hold them; OK without a change must not cut them.
  const Text comment = u"1 MB comment " + Text(kFieldLimit, u'c');
  const Text long_code = CodeTextFromCharacters(Text(200000, u'A'));  // 1.2 million units
  LoadRows({{u"c", u"\\u00E9", comment}, {u"a", long_code, u"long code"}});
  for (int row : {0, 1}) {
    SelectListRow(row);
    Dispatch(Click(kCtlEdit, MainWindow));
    ASSERT_NE(EntryWindowHandle(EditEntryWindow), nullptr);
    Dispatch(Click(kEditOk, EditEntryWindow));
    ASSERT_EQ(boxes_, std::vector<Text>{});
  }
  const std::vector<CharacterEntry> expected = {{u"c", u"\\u00E9", comment},
                                                {u"a", long_code, u"long code"}};
  EXPECT_EQ(App().table.Entry(0), expected[0]);
  EXPECT_EQ(App().table.Entry(1), expected[1]);
  EXPECT_EQ(FileRecords(), expected);
}

TEST_F(HostileInputTest, HundredThousandFieldsAreInsertedAndCopiedWhole) {
  Text characters;
  for (int k = 0; k < 100000; ++k) characters.push_back(static_cast<char16_t>(0x4E00 + k % 5000));
  const Text code = CodeTextFromCharacters(characters);
  LoadRows({{u"", code, u"100,000 fields"}});
  EXPECT_EQ(InsertCurrentRow(), characters);
  EXPECT_EQ(batches_[0].size(), 200000u);

  ResetMainWindow();
  LoadRows({{u"", code, u"100,000 fields"}});
  Dispatch(Command(2));  // Ctrl+C
  EXPECT_EQ(ClipboardText(), characters);
  Dispatch(Command(3));  // Ctrl+Shift+C
  EXPECT_EQ(ClipboardText(), code);
  App().settings.HTML = true;
  Dispatch(Command(3));
  App().settings.HTML = false;
  EXPECT_EQ(ClipboardText(), HtmlFromCodeText(code));
  EXPECT_EQ(ClipboardText().size(), 800000u);
}

TEST_F(HostileInputTest, FieldsAboveTheLastCodePointAreShownAndTypedAsReplacementCharacters) {
  LoadRows({{u"h", u"\\u110000\\u" + Text(40, u'F') + u"\\u41", u"above U+10FFFF"}});
  EXPECT_EQ(App().table.Column(0, 1), u"\uFFFD\uFFFDA");
  EXPECT_EQ(ListCell(0, 1), u"\uFFFD\uFFFDA");
  EXPECT_EQ(ListCell(0, 2), u"\\u110000\\u" + Text(40, u'F') + u"\\u41");  // the code as stored
  // The editor refuses to take such a code text back unchanged; Cancel keeps it.
  Dispatch(Click(kCtlEdit, MainWindow));
  Dispatch(Click(kEditOk, EditEntryWindow));
  ASSERT_EQ(boxes_.size(), 1u);
  EXPECT_EQ(boxes_[0], u"Invalid entry");
  EXPECT_NE(EntryWindowHandle(EditEntryWindow), nullptr);
  Dispatch(Click(kEditCancel, EditEntryWindow));
  EXPECT_EQ(FileRecords()[0].code_text, u"\\u110000\\u" + Text(40, u'F') + u"\\u41");

  EXPECT_EQ(InsertCurrentRow(), u"\uFFFD\uFFFDA");
  // Two such characters never get the caret between them.
  ResetMainWindow();
  LoadRows({{u"p", u"\\u110000\\u110001", u"two of them, 1 apart"}});
  EXPECT_EQ(InsertCurrentRow(), u"\uFFFD\uFFFD");
  EXPECT_EQ(batches_.size(), 1u);
}

TEST_F(HostileInputTest, LoneSurrogatesPassTheEditorTheFileInsertionAndTheClipboard) {
  LoadRows(DefaultCharacterEntries());
  // Typed into the New window: a lone high surrogate before "A" in the Code
  // field, a lone low one in the comment.
  Dispatch(Command(7));
  Set(NewEntryWindow, kNewCodeField, Text{kHigh, u'A'});
  Set(NewEntryWindow, kNewCommentField, Text{u'x', kLow, u'y'});
  Dispatch(Click(kNewOk, NewEntryWindow));
  ASSERT_EQ(boxes_, std::vector<Text>{});
  const CharacterEntry entry{u"", u"\\uD800\\u0041", Text{u'x', kLow, u'y'}};
  EXPECT_EQ(App().table.Entry(0), entry);
  EXPECT_EQ(App().table.Column(0, 1), (Text{kHigh, u'A'}));
  EXPECT_EQ(FileRecords()[0], entry);

  // Through the Edit window unchanged.
  SelectListRow(0);
  Dispatch(Click(kCtlEdit, MainWindow));
  EXPECT_EQ(WindowTextOf(Field(EditEntryWindow, kEditCommentField)), entry.comment);
  Dispatch(Click(kEditOk, EditEntryWindow));
  EXPECT_EQ(App().table.Entry(0), entry);

  // Typed as single units; copied as they are.
  SelectListRow(0);
  EXPECT_EQ(InsertCurrentRow(), (Text{kHigh, u'A'}));
  ResetMainWindow();
  LoadRows({entry, {Text{kLow}, u"\\uDC00\\uD800", u"reversed pair"}});
  Dispatch(Command(2));
  EXPECT_EQ(ClipboardText(), (Text{kHigh, u'A'}));
  // A low surrogate before a high one is no pair: two characters, two units each typed alone.
  SelectListRow(1);
  EXPECT_EQ(App().table.Column(1, 1), (Text{kLow, kHigh}));
  const Text typed = InsertCurrentRow();
  EXPECT_EQ(typed, (Text{kLow, kHigh}));
  const Batch expected = {{0, kLow, kKeyUnicode}, {0, kLow, kKeyUnicode | kKeyUp},
                          {0, kHigh, kKeyUnicode}, {0, kHigh, kKeyUnicode | kKeyUp}};
  EXPECT_EQ(batches_[0], expected);
  // The lone low surrogate is a trigger like any other unit.
  SelectListRow(0);
  SendMessageW(App().list, WM_CHAR, kLow, 0);
  Drain();
  EXPECT_EQ(App().table.CurrentRow(), 1);
  EXPECT_EQ(FileRecords()[1].trigger, Text{kLow});
}

TEST_F(HostileInputTest, ControlCharactersAreTriggers) {
  LoadRows({{Text{char16_t(1)}, u"\\u0041", u"Ctrl+A"},
            {u"\b", u"\\u0042", u"Backspace"},
            {Text{char16_t(0x1B)}, u"\\u0043", u"Esc never arrives as a character"},
            {u"-", u"\\u2013", u"en dash"}});
  SelectListRow(3);
  for (auto [unit, row] : {std::pair{char16_t(1), 0}, std::pair{char16_t(8), 1}}) {
    SendMessageW(App().list, WM_CHAR, unit, 0);
    Drain();
    EXPECT_EQ(App().table.CurrentRow(), row) << int(unit);
  }
  EXPECT_EQ(FileRecords()[1].trigger, u"\b");
}

TEST_F(HostileInputTest, TextsWithANulUnitSurviveTheEditWindowWhereTheUserLeftThem) {
  // An edit field ends its text at a NUL unit, which only a hand-edited file
  // can put into a trigger or a comment. OK must not cut what the user left
  // alone; what the user typed replaces the whole text as usual.
  const Text nul(1, u'\0');
  const Text comment = u"before" + nul + u"after";
  LoadRows({{nul, u"\\u0041", comment}, {u"-", u"\\u2013", u"dash" + nul + u"hidden"}});
  Dispatch(Click(kCtlEdit, MainWindow));
  EXPECT_EQ(WindowTextOf(Field(EditEntryWindow, kEditCommentField)), u"before");
  Dispatch(Click(kEditOk, EditEntryWindow));
  ASSERT_EQ(boxes_, std::vector<Text>{});
  EXPECT_EQ(App().table.Entry(0), (CharacterEntry{nul, u"\\u0041", comment}));
  EXPECT_EQ(App().table.FindTrigger(nul), 0);
  EXPECT_EQ(FileRecords()[0], (CharacterEntry{nul, u"\\u0041", comment}));

  SelectListRow(1);
  Dispatch(Click(kCtlEdit, MainWindow));
  Set(EditEntryWindow, kEditCommentField, u"en dash");
  Dispatch(Click(kEditOk, EditEntryWindow));
  EXPECT_EQ(App().table.Entry(1), (CharacterEntry{u"-", u"\\u2013", u"en dash"}));
  EXPECT_EQ(FileRecords()[1], (CharacterEntry{u"-", u"\\u2013", u"en dash"}));
}

TEST(HostileHotkeyTest, ANumberBeyondF24IsNoFunctionKeyAndTakesNoOtherKey) {
  // "Hotkey = F78" in a hand-edited settings file would otherwise make the
  // minus key (VK_F1 + 77 = VK_OEM_MINUS) the program's, in every program.
  EnsureMainWindow();
  AppState& app = App();
  MessageRecorder boxes;
  boxes.Install();
  HWND other = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
  ASSERT_NE(other, nullptr);
  UnregisterHotKey(app.main_window, 1);
  app.tray_tip = u"previous";

  for (int n : {25, 33, 78, 127}) {
    boxes.boxes.clear();
    EXPECT_FALSE(ApplyHotkey(FunctionKeyHotkey(n))) << n;
    ASSERT_EQ(boxes.boxes.size(), 1u) << n;
    EXPECT_EQ(boxes.boxes[0].first, u"Can't register hotkey: F" + NumberText(n));
    EXPECT_EQ(boxes.boxes[0].second, static_cast<unsigned>(MB_ICONWARNING));
    EXPECT_EQ(app.tray_tip, u"previous");
    // The key it would stand for is still free for others.
    EXPECT_TRUE(RegisterHotKey(other, 9, 0, 0x70 + n - 1)) << n;
    UnregisterHotKey(other, 9);
  }
  // F24 is the last function key.
  EXPECT_TRUE(ApplyHotkey(FunctionKeyHotkey(24)));
  EXPECT_EQ(app.tray_tip, u"Glyphwell (F24)");
  UnregisterHotKey(app.main_window, 1);
  DestroyWindow(other);
}

}  // namespace
}  // namespace gw
