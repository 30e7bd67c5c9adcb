// The Find window (window 5): a field and, under it, the results of what it
// holds, best first: the table's matching rows (as F3 finds them), then every
// character and emoji sequence whose names, aliases or keywords hold its
// words. Up and Down move in the results and show a row result in the main
// list; Enter types the selected result into the previous window as Insert
// types a row, Shift+Enter its code; Ctrl+Enter and "Add to table" open the
// New window filled with it; Esc goes back to the row that was current
// before. F3 and Shift+F3 in the main window repeat the last search over the
// table's rows. Like the entry editors it has a caption only, is owned by the
// main window, is centred over it and disables it while open.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <memory>
#include <string_view>
#include <vector>

#include "base/event_queue.h"
#include "base/message_box.h"
#include "base/placeholders.h"
#include "mainwindow/app_state_win32.h"
#include "mainwindow/find.h"
#include "mainwindow/accessible_win32.h"
#include "mainwindow/announce_win32.h"
#include "mainwindow/find_window.h"
#include "mainwindow/insertion.h"
#include "mainwindow/insertion_win32.h"
#include "mainwindow/main_window.h"
#include "resources/resource_ids.h"
#include "table/code_notation.h"
#include "table/entry_input.h"
#include "table/entry_windows_win32.h"
#include "table/recent_characters.h"

namespace gw {

namespace {

constexpr int kClientWidth = 600;
constexpr int kClientHeight = 370;
// Results kept for the list: more than anyone scrolls through.
constexpr size_t kMaxResults = 500;

// The window's own shortcuts besides 22 (next) and 23 (previous).
enum FindWindowCommand : int {
  kFindReturn = 10,
  kFindEscape = 11,
  kFindOkKey = 12,
  kFindShiftReturn = 13,
  kFindControlReturn = 14,
  kFindAddKey = 15,
};

// The columns of the results.
enum ResultColumn : int { kColCharacter, kColName, kColCode, kColTrigger, kColComment };

struct ControlLayout {
  int id;
  const wchar_t* cls;
  DWORD style;
  const char16_t* section;  // caption; nullptr for the field
  const char16_t* key;
  int x, y, w, h;
};

// In creation order, which is also the Tab order.
constexpr ControlLayout kControls[] = {
    {kFindLabel, L"STATIC", 0, u"WinFind", u"Label", 20, 12, 340, 20},
    {kFindField, L"EDIT", WS_TABSTOP | ES_AUTOHSCROLL | ES_LEFT, nullptr, nullptr, 20, 34, 560, 22},
    {kFindResults, WC_LISTVIEWW,
     WS_TABSTOP | WS_BORDER | LVS_REPORT | LVS_OWNERDATA | LVS_SINGLESEL | LVS_SHOWSELALWAYS |
         LVS_NOSORTHEADER,
     nullptr, nullptr, 20, 64, 560, 256},
    {kFindPrevious, L"BUTTON", WS_TABSTOP | WS_GROUP | BS_PUSHBUTTON, u"WinFind", u"Previous", 20,
     334, 80, 25},
    {kFindNext, L"BUTTON", WS_TABSTOP | BS_PUSHBUTTON, u"WinFind", u"Next", 105, 334, 80, 25},
    {kFindAdd, L"BUTTON", WS_TABSTOP | BS_PUSHBUTTON, u"WinFind", u"AddToTable", 190, 334, 170, 25},
    {kFindOk, L"BUTTON", WS_TABSTOP | BS_DEFPUSHBUTTON, u"General", u"OK", 395, 334, 80, 25},
    {kFindCancel, L"BUTTON", WS_TABSTOP | BS_PUSHBUTTON, u"General", u"Cancel", 480, 334, 100, 25},
};

// What the search of every character needs, made the first time Find asks.
// Reading and indexing the data takes tens of milliseconds: Find starts it on
// a thread of its own before it makes its window, and the first search waits
// for what is left of it.
struct ProgramSearch {
  SearchData data;
  CharacterSearch search;
  bool data_read = false;
  // The thread preparing `data` and `search`, which nothing else touches
  // until it has ended, and what it reads.
  HANDLE preparing = nullptr;
  const CharacterNames* names = nullptr;
  std::string_view bytes;
  std::string language;
};
ProgramSearch& TheSearch() {
  static ProgramSearch search;
  return search;
}

// The recent characters, read the first time they are needed.
RecentCharacters& Recent() {
  static RecentCharacters recent;
  static bool read = false;
  // Without a data folder (never so in a running program) the list lives in memory only.
  if (!read && !App().data_folder.empty()) {
    read = true;
    recent = ReadRecentCharacters(RecentCharactersPath(App().data_folder));
  }
  return recent;
}

std::vector<FindResult> g_results;
HFONT g_large_font = nullptr;  // the characters' column

RowFinder g_finder;
Text g_last_text;      // the last text searched for: F3 in the main window repeats it
int g_start_row = -1;  // the row that was current when the window opened
WNDPROC g_frame_procedure = nullptr;

HWND Control(int id) { return EntryControl(FindEntryWindow, id); }

Text FieldText() {
  HWND field = Control(kFindField);
  return field ? WindowTextOf(field) : Text();
}

std::string_view SearchDataBytes() {
  const void* bytes = nullptr;
  std::size_t size = 0;
  if (!ResourceBytes(IDR_CHARACTER_SEARCH, bytes, size)) return {};
  return std::string_view(static_cast<const char*>(bytes), size);
}

DWORD WINAPI PrepareSearch(void* parameter) {
  ProgramSearch& p = *static_cast<ProgramSearch*>(parameter);
  if (!p.bytes.empty()) p.data.Load(p.bytes);
  p.search.Prepare(*p.names, p.data, p.language);
  return 0;
}

// Starts reading and indexing the data for the program's language on a
// thread, unless that is done or under way.
void StartPreparingSearch() {
  ProgramSearch& p = TheSearch();
  const std::string language = TextToUtf8(Tr(u"WinFind", u"DataLanguage"));
  if (p.preparing || (p.search.Prepared() && p.search.Language() == language)) return;
  p.names = &ProgramCharacterNames();  // read here: this thread uses the names too
  p.bytes = p.data_read ? std::string_view() : SearchDataBytes();
  p.language = language;
  // Preparing keeps its data on the heap: a small stack will do.
  p.preparing =
      CreateThread(nullptr, 256 * 1024, PrepareSearch, &p, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr);
  if (p.preparing) p.data_read = true;  // else the first search prepares it all
}

// The search, its data read and indexed for the program's language.
const CharacterSearch& PreparedSearch() {
  ProgramSearch& p = TheSearch();
  if (p.preparing) {
    WaitForSingleObject(p.preparing, INFINITE);
    CloseHandle(p.preparing);
    p.preparing = nullptr;
  }
  if (!p.data_read) {
    p.data_read = true;
    if (const std::string_view bytes = SearchDataBytes(); !bytes.empty()) p.data.Load(bytes);
  }
  const std::string language = TextToUtf8(Tr(u"WinFind", u"DataLanguage"));
  if (!p.search.Prepared() || p.search.Language() != language)
    p.search.Prepare(ProgramCharacterNames(), p.data, language);
  return p.search;
}

int SelectedResult() {
  HWND list = Control(kFindResults);
  return list ? ListView_GetNextItem(list, -1, LVNI_SELECTED) : -1;
}

// The text of a result's cell, kept until the next call.
const wchar_t* CellText(int index, int column) {
  static Text text;
  text.clear();
  if (index < 0 || index >= static_cast<int>(g_results.size())) return W(text);
  const FindResult& r = g_results[static_cast<size_t>(index)];
  const CharacterTable& table = App().table;
  const CharacterSearch& search = TheSearch().search;
  switch (column) {
    case kColCharacter:
      text = FindResultCharacters(table, search, r);
      break;
    case kColName:
      if (r.row >= 0) {
        ResultKey key = 0;
        const Text characters = FindResultCharacters(table, search, r);
        if (search.KeyOf(characters, key)) text = Utf8ToText(search.Name(key));
        if (text.empty()) text = Utf8ToText(FirstCharacterName(ProgramCharacterNames(), characters));
      } else {
        text = Utf8ToText(search.Name(r.key));
      }
      break;
    case kColCode:
      text = CodeTextOf(FindResultCharacters(table, search, r));
      break;
    case kColTrigger:
      if (r.row >= 0) text = Text(table.ColumnText(r.row, TableColumn::Trigger));
      break;
    case kColComment:
      if (r.row >= 0) text = Text(table.ColumnText(r.row, TableColumn::Comment));
      break;
    default:
      break;
  }
  return W(text);
}

// Creates the results' columns and fonts.
void SetUpResultList(HWND list) {
  ListView_SetExtendedListViewStyle(list, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
  struct Column {
    const char16_t* section;
    const char16_t* key;
    int width;
  };
  const Column columns[] = {{u"WinFind", u"ColCharacter", 75}, {u"WinFind", u"ColName", 190},
                            {u"WinFind", u"ColCode", 110},     {u"WinMain", u"Trigger", 60},
                            {u"WinMain", u"Comment", 100}};
  for (int i = 0; i < static_cast<int>(std::size(columns)); ++i) {
    // A header shows no mnemonic (the labels of the entry windows have one).
    const Text caption = WithoutMnemonic(Tr(columns[i].section, columns[i].key));
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.pszText = const_cast<wchar_t*>(W(caption));
    column.cx = ScaleX(columns[i].width);
    column.iSubItem = i;
    ListView_InsertColumn(list, i, &column);
  }
  // Rows as high as the large characters; the other columns in the message font.
  if (!g_large_font) {
    LOGFONTW font{};
    if (MessageFontHandle()) GetObjectW(MessageFontHandle(), sizeof font, &font);
    font.lfHeight = -ScaleY(22);
    font.lfWeight = FW_NORMAL;
    const Text face = App().settings.FontName;
    if (!face.empty() && face.size() < LF_FACESIZE) wcscpy(font.lfFaceName, W(face));
    g_large_font = CreateFontIndirectW(&font);
  }
  if (g_large_font) SendMessageW(list, WM_SETFONT, reinterpret_cast<WPARAM>(g_large_font), FALSE);
  if (HWND header = ListView_GetHeader(list); header && MessageFontHandle())
    SendMessageW(header, WM_SETFONT, reinterpret_cast<WPARAM>(MessageFontHandle()), FALSE);
}

// The list's notifications: its cells, its fonts, a double click.
bool AnswerResultList(NMHDR& header, LRESULT& answer) {
  if (header.idFrom != static_cast<UINT_PTR>(kFindResults)) return false;
  switch (header.code) {
    case LVN_GETDISPINFOW: {
      auto& info = reinterpret_cast<NMLVDISPINFOW&>(header);
      if (info.item.mask & LVIF_TEXT) {
        const wchar_t* text = CellText(info.item.iItem, info.item.iSubItem);
        lstrcpynW(info.item.pszText, text, info.item.cchTextMax);
      }
      answer = 0;
      return true;
    }
    case NM_CUSTOMDRAW: {
      auto& draw = reinterpret_cast<NMLVCUSTOMDRAW&>(header);
      if (draw.nmcd.dwDrawStage == CDDS_PREPAINT) {
        answer = CDRF_NOTIFYITEMDRAW;
      } else if (draw.nmcd.dwDrawStage == CDDS_ITEMPREPAINT) {
        answer = CDRF_NOTIFYSUBITEMDRAW;
      } else if (draw.nmcd.dwDrawStage == (CDDS_ITEMPREPAINT | CDDS_SUBITEM)) {
        HFONT font = draw.iSubItem == kColCharacter ? g_large_font : MessageFontHandle();
        if (font) SelectObject(draw.nmcd.hdc, font);
        answer = CDRF_NEWFONT;
      } else {
        answer = CDRF_DODEFAULT;
      }
      return true;
    }
    case NM_DBLCLK: {
      Event event;
      event.kind = EventKind::Command;
      event.window = FindEntryWindow;
      event.object = kFindReturn;
      QueueEvent(event);
      answer = 0;
      return true;
    }
    default:
      return false;
  }
}

// The field's changes become FindTextChanged events; the edit field's other
// notifications go on as usual.
LRESULT CALLBACK FindFrameProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_COMMAND && lp != 0 && LOWORD(wp) == kFindField &&
      (HIWORD(wp) == EN_CHANGE || HIWORD(wp) == EN_UPDATE)) {
    if (HIWORD(wp) == EN_CHANGE && EntryWindowHandle(FindEntryWindow) == hwnd) {
      Event event;
      event.kind = EventKind::FindTextChanged;
      event.window = FindEntryWindow;
      event.object = kFindField;
      QueueEvent(event);
    }
    return 0;
  }
  if (msg == WM_NOTIFY && lp) {
    LRESULT answer = 0;
    if (AnswerResultList(*reinterpret_cast<NMHDR*>(lp), answer)) return answer;
  }
  return CallWindowProcW(g_frame_procedure, hwnd, msg, wp, lp);
}

HACCEL MakeFindShortcuts() {
  std::vector<ACCEL> entries;
  std::vector<char16_t> taken;
  // Alt + the underlined letter of each button, the first button to claim a
  // letter keeps it.
  auto mnemonic = [&](const char16_t* section, const char16_t* key, WORD command) {
    const char16_t letter = MnemonicKey(Tr(section, key));
    if (letter == 0 || std::find(taken.begin(), taken.end(), letter) != taken.end()) return;
    taken.push_back(letter);
    entries.push_back({FVIRTKEY | FALT, static_cast<WORD>(letter), command});
  };
  mnemonic(u"General", u"OK", kFindOkKey);
  mnemonic(u"General", u"Cancel", kFindEscape);
  mnemonic(u"WinFind", u"Next", kCmdFindNext);
  mnemonic(u"WinFind", u"Previous", kCmdFindPrevious);
  mnemonic(u"WinFind", u"AddToTable", kFindAddKey);
  entries.push_back({FVIRTKEY, VK_RETURN, kFindReturn});
  entries.push_back({FVIRTKEY | FSHIFT, VK_RETURN, kFindShiftReturn});
  entries.push_back({FVIRTKEY | FCONTROL, VK_RETURN, kFindControlReturn});
  entries.push_back({FVIRTKEY, VK_ESCAPE, kFindEscape});
  entries.push_back({FVIRTKEY, VK_DOWN, kCmdFindNext});
  entries.push_back({FVIRTKEY, VK_UP, kCmdFindPrevious});
  entries.push_back({FVIRTKEY, VK_F3, kCmdFindNext});
  entries.push_back({FVIRTKEY | FSHIFT, VK_F3, kCmdFindPrevious});
  return CreateAcceleratorTableW(entries.data(), static_cast<int>(entries.size()));
}

// Makes `row` current, selected and in view, as the program's own doing.
void ShowRow(int row) {
  const bool was_selecting = g_program_selecting;
  g_program_selecting = true;
  SelectListRow(row);
  g_program_selecting = was_selecting;
}

// Moves the Find window off the row just found when it covers that row:
// below the row when the screen has room for it there, else above it.
void KeepRowInSight(int row) {
  HWND window = EntryWindowHandle(FindEntryWindow);
  HWND list = App().list;
  RECT item{}, frame{}, overlap{};
  if (!window || !list || !ListView_GetItemRect(list, row, &item, LVIR_BOUNDS)) return;
  MapWindowPoints(list, nullptr, reinterpret_cast<POINT*>(&item), 2);
  GetWindowRect(window, &frame);
  if (!IntersectRect(&overlap, &item, &frame)) return;
  // The work area of the monitor that holds the row, which need not be the
  // primary one.
  RECT work = item;
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  if (GetMonitorInfoW(MonitorFromRect(&item, MONITOR_DEFAULTTONEAREST), &monitor))
    work = monitor.rcWork;
  const int height = frame.bottom - frame.top;
  const int gap = item.bottom - item.top;
  int top = item.bottom + gap;
  if (top + height > work.bottom) top = item.top - gap - height;
  if (top < work.top) top = work.top;
  SetWindowPos(window, nullptr, frame.left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Shows how many rows match in the status bar; returns that text.
Text ShowFindStatus(int count, const Text& text) {
  const Text status =
      FindStatusText(Tr(u"WinMain", u"StatusFindNone"), Tr(u"WinMain", u"StatusFindOne"),
                     Tr(u"WinMain", u"StatusFindMany"), count, text);
  SetStatusText(status);
  return status;
}

// F3 and Shift+F3 in the main window: the row that the search for `text`
// finds from the current row, the next (1) or the previous (-1).
void MoveToMatch(const Text& text, int direction) {
  AppState& app = App();
  g_last_text = text;
  const int count = g_finder.Search(app.table, &ProgramCharacterNames(), text);
  const int current = app.table.CurrentRow();
  const int row = direction > 0 ? g_finder.NextAfter(current) : g_finder.PreviousBefore(current);
  if (row >= 0) ShowRow(row);
  AnnounceFindResult(ShowFindStatus(count, text), row);
}

// Selects result `index` of the list (-1: none) and shows a row result in
// the main list, as the search of the rows did.
void SelectResult(int index) {
  HWND list = Control(kFindResults);
  if (!list) return;
  ListView_SetItemState(list, -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
  if (index < 0 || index >= static_cast<int>(g_results.size())) return;
  ListView_SetItemState(list, index, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED);
  ListView_EnsureVisible(list, index, FALSE);
  const int row = g_results[static_cast<size_t>(index)].row;
  if (row >= 0) {
    ShowRow(row);
    KeepRowInSight(row);
  }
}

// The results of the field's text: the table's rows, then every character.
void SearchAsTyped() {
  AppState& app = App();
  const Text text = FieldText();
  const bool has_words = !SearchWords(text).empty();
  std::vector<int> rows;
  if (has_words) {
    g_last_text = text;
    g_finder.Search(app.table, &ProgramCharacterNames(), text);
    rows = g_finder.Matches();
  }
  const CharacterSearch& search = PreparedSearch();
  const std::vector<SearchResult> found = search.Search(text, Recent().Items(), kMaxResults);
  g_results = MergeFindResults(app.table, rows, search, found);
  if (HWND list = Control(kFindResults)) {
    SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    ListView_SetItemCountEx(list, static_cast<int>(g_results.size()), LVSICF_NOSCROLL);
    SelectResult(g_results.empty() ? -1 : 0);
    SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
  }
  if (!has_words) {
    // Nothing to look for in the table: back to where the search began, and
    // nothing for F3 to repeat.
    g_last_text.clear();
    ShowRow(g_start_row);
    SetStatusText(Text());
    return;
  }
  AnnounceFindResult(ShowFindStatus(static_cast<int>(rows.size()), text),
                     rows.empty() ? -1 : rows.front());
}

// Up and Down, Previous and Next: the result after or before the selected one.
void Step(int direction) {
  if (g_results.empty()) return;
  const int count = static_cast<int>(g_results.size());
  const int selected = SelectedResult();
  int index = selected < 0 ? 0 : selected + direction;
  index = std::clamp(index, 0, count - 1);
  SelectResult(index);
}

// Cancel and Esc: the row that was current before comes back.
void Cancel() {
  ShowRow(g_start_row);
  CloseEntryWindow(FindEntryWindow);
}

// OK, Enter and Shift+Enter: the selected result is typed into the previous
// window, its characters or its code, as Insert and Insert code type a row.
// Without a result the window closes and the row found stays.
void TypeResult(bool code) {
  const int index = SelectedResult();
  App().last_focused_control = kCtlList;
  if (index < 0 || index >= static_cast<int>(g_results.size())) {
    CloseEntryWindow(FindEntryWindow);
    return;
  }
  const FindResult result = g_results[static_cast<size_t>(index)];
  const Text characters =
      FindResultCharacters(App().table, TheSearch().search, result);
  CloseEntryWindow(FindEntryWindow);
  if (result.row >= 0) {
    ShowRow(result.row);
    if (code)
      InsertCode();
    else
      InsertCharacters();
    return;
  }
  const Text code_text = CodeTextFromCharacters(characters);
  if (code) {
    SendTextToPreviousWindow(CodePayload(code_text, App().settings.HTML), App().settings.OnTop);
    return;
  }
  if (!SendTextToPreviousWindow(characters, App().settings.OnTop)) return;
  if (CaretGoesBetweenPair(characters, code_text)) {
    SendKey(VK_LEFT, 0);
    SendKey(VK_LEFT, KEYEVENTF_KEYUP);
  }
  RememberTypedCharacters(characters);
}

// Ctrl+Enter and "Add to table": the New window, filled with the selected
// result's characters and its name as the comment.
void AddToTable() {
  const int index = SelectedResult();
  if (index < 0 || index >= static_cast<int>(g_results.size())) return;
  const FindResult result = g_results[static_cast<size_t>(index)];
  const Text characters = FindResultCharacters(App().table, TheSearch().search, result);
  const Text comment = FindResultComment(App().table, TheSearch().search, result);
  App().last_focused_control = kCtlList;
  CloseEntryWindow(FindEntryWindow);
  OpenNewEntryWindowNow();
  if (!EntryWindowHandle(NewEntryWindow)) return;
  if (HWND field = EntryControl(NewEntryWindow, kNewCodeField)) SetWindowTextW(field, W(characters));
  if (HWND field = EntryControl(NewEntryWindow, kNewCommentField)) SetWindowTextW(field, W(comment));
}

bool HasFocus(int id) {
  HWND control = Control(id);
  return control && GetFocus() == control;
}

}  // namespace

void RememberTypedCharacters(const Text& characters) {
  RecentCharacters& recent = Recent();
  const std::vector<Text> before = recent.Items();
  recent.Add(characters);
  if (recent.Items() != before && !App().data_folder.empty())
    WriteRecentCharacters(RecentCharactersPath(App().data_folder), recent);
}

void OpenFindWindow() {
  AppState& app = App();
  for (int number = EditEntryWindow; number <= FindEntryWindow; ++number)
    if (EntryWindowHandle(number)) return;

  g_results.clear();  // nothing reads the search until it is prepared
  StartPreparingSearch();  // while the window is made
  const Text title = FindWindowTitle(Tr(u"MenuMain", u"Find"));
  HWND window = CreateSecondaryFrame(FindEntryWindow, title, kClientWidth, kClientHeight);
  if (!window) {
    ShowMessage(FillPlaceholders(Tr(u"General", u"ErrOpen"), std::vector<TextView>{title}),
                MB_ICONERROR);
    return;
  }
  SetStatusText(Text());
  if (app.main_window) EnableWindow(app.main_window, FALSE);

  for (const ControlLayout& c : kControls) {
    const Text caption = c.section ? Tr(c.section, c.key) : c.id == kFindField ? g_last_text : Text();
    const bool field = c.id == kFindField;
    HWND control = CreateWindowExW(
        field ? WS_EX_CLIENTEDGE : 0, c.cls, W(caption), WS_CHILD | WS_VISIBLE | c.style, ScaleX(c.x), ScaleY(c.y),
        ScaleX(c.w), ScaleY(c.h), window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)),
        app.instance, nullptr);
    if (control && MessageFontHandle())
      SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(MessageFontHandle()), FALSE);
    if (control && c.id == kFindResults) SetUpResultList(control);
  }
  NameFieldByLabel(GetDlgItem(window, kFindField), GetDlgItem(window, kFindLabel));
  // Subclassed after the field got the last text; the first results follow
  // at once as an event.
  g_frame_procedure = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FindFrameProc)));
  g_start_row = app.table.CurrentRow();

  SendMessageW(window, WM_UPDATEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS | UISF_HIDEACCEL), 0);
  ShowWindow(window, SW_SHOW);
  SetForegroundWindow(window);
  SetSecondaryWindow(FindEntryWindow, window, MakeFindShortcuts());
  if (HWND field = Control(kFindField)) SetFocus(field);
  Event event;
  event.kind = EventKind::FindTextChanged;
  event.window = FindEntryWindow;
  event.object = kFindField;
  QueueEvent(event);
}

bool FindAgain(int direction) {
  if (SearchWords(g_last_text).empty()) {
    OpenFindWindow();
    return true;
  }
  MoveToMatch(g_last_text, direction);
  return false;
}

void DispatchFindWindow(const Event& event) {
  switch (event.kind) {
    case EventKind::FindTextChanged:
      if (EntryWindowHandle(FindEntryWindow)) SearchAsTyped();
      break;
    case EventKind::Command:
      switch (event.object) {
        case kCmdFindNext:
          Step(1);
          break;
        case kCmdFindPrevious:
          Step(-1);
          break;
        case kFindReturn:
          // Enter presses the focused button; in the field and the list it
          // types the selected result.
          if (HasFocus(kFindCancel))
            Cancel();
          else if (HasFocus(kFindPrevious))
            Step(-1);
          else if (HasFocus(kFindNext))
            Step(1);
          else if (HasFocus(kFindAdd))
            AddToTable();
          else
            TypeResult(false);
          break;
        case kFindShiftReturn:
          TypeResult(true);
          break;
        case kFindControlReturn:
        case kFindAddKey:
          AddToTable();
          break;
        case kFindEscape:
          Cancel();
          break;
        case kFindOkKey:
          TypeResult(false);
          break;
        default:
          break;
      }
      break;
    case EventKind::Control:
      if (event.object == kFindField && event.type == FocusGained) {
        if (HWND field = Control(kFindField)) SendMessageW(field, EM_SETSEL, 0, -1);
      } else if (event.type == ControlClick) {
        if (event.object == kFindPrevious) Step(-1);
        if (event.object == kFindNext) Step(1);
        if (event.object == kFindAdd) AddToTable();
        if (event.object == kFindOk) TypeResult(false);
        if (event.object == kFindCancel) Cancel();
      }
      break;
    case EventKind::Close:  // Alt+F4 or the close command: Cancel
      Cancel();
      break;
    default:
      break;
  }
}

}  // namespace gw
