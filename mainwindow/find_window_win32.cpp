// The Find window (window 5): one field whose text selects, as it is typed,
// the first row from the current one on that holds every word of it, with
// Previous, Next, OK and Cancel. Enter keeps the row found and puts the focus
// on the list, so that a second Enter inserts it; Esc goes back to the row
// that was current before. F3 and Shift+F3 in the main window repeat the last
// search. Like the entry editors it has a caption only, is owned by the main
// window, is centred over it and disables it while open.
#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <vector>

#include "base/event_queue.h"
#include "base/message_box.h"
#include "base/placeholders.h"
#include "mainwindow/app_state_win32.h"
#include "mainwindow/find.h"
#include "mainwindow/accessible_win32.h"
#include "mainwindow/announce_win32.h"
#include "mainwindow/find_window.h"
#include "mainwindow/main_window.h"
#include "table/entry_input.h"
#include "table/entry_windows_win32.h"

namespace gw {

namespace {

constexpr int kClientWidth = 380;
constexpr int kClientHeight = 105;

// The window's own shortcuts besides 22 (next) and 23 (previous).
enum FindWindowCommand : int { kFindReturn = 10, kFindEscape = 11, kFindOkKey = 12 };

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
    {kFindLabel, L"STATIC", SS_NOPREFIX, u"WinFind", u"Label", 20, 12, 340, 20},
    {kFindField, L"EDIT", WS_TABSTOP | ES_AUTOHSCROLL | ES_LEFT, nullptr, nullptr, 20, 34, 340, 20},
    {kFindPrevious, L"BUTTON", WS_TABSTOP | WS_GROUP | BS_PUSHBUTTON, u"WinFind", u"Previous", 20,
     68, 80, 25},
    {kFindNext, L"BUTTON", WS_TABSTOP | BS_PUSHBUTTON, u"WinFind", u"Next", 105, 68, 80, 25},
    {kFindOk, L"BUTTON", WS_TABSTOP | BS_DEFPUSHBUTTON, u"General", u"OK", 195, 68, 80, 25},
    {kFindCancel, L"BUTTON", WS_TABSTOP | BS_PUSHBUTTON, u"General", u"Cancel", 280, 68, 80, 25},
};

RowFinder g_finder;
Text g_last_text;      // the last text searched for: F3 in the main window repeats it
int g_start_row = -1;  // the row that was current when the window opened
WNDPROC g_frame_procedure = nullptr;

HWND Control(int id) { return EntryControl(FindEntryWindow, id); }

Text FieldText() {
  HWND field = Control(kFindField);
  return field ? WindowTextOf(field) : Text();
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
  entries.push_back({FVIRTKEY, VK_RETURN, kFindReturn});
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

// The row that the search for `text` finds from the current row: the first
// match from it on (direction 0), the next (1) or the previous (-1).
void MoveToMatch(const Text& text, int direction) {
  AppState& app = App();
  g_last_text = text;
  const int count = g_finder.Search(app.table, &ProgramCharacterNames(), text);
  const int current = app.table.CurrentRow();
  const int row = direction == 0  ? g_finder.FirstFrom(current)
                  : direction > 0 ? g_finder.NextAfter(current)
                                  : g_finder.PreviousBefore(current);
  if (row >= 0) {
    ShowRow(row);
    KeepRowInSight(row);
  }
  AnnounceFindResult(ShowFindStatus(count, text), row);
}

void SearchAsTyped() {
  const Text text = FieldText();
  if (SearchWords(text).empty()) {
    // Nothing to look for: back to where the search began, and nothing for
    // F3 to repeat.
    g_last_text.clear();
    ShowRow(g_start_row);
    SetStatusText(Text());
    return;
  }
  MoveToMatch(text, 0);
}

void Step(int direction) {
  const Text text = FieldText();
  if (!SearchWords(text).empty()) MoveToMatch(text, direction);
}

// OK and Enter: the row found stays, the focus goes to the list.
void Accept() {
  App().last_focused_control = kCtlList;
  CloseEntryWindow(FindEntryWindow);
}

// Cancel and Esc: the row that was current before comes back.
void Cancel() {
  ShowRow(g_start_row);
  CloseEntryWindow(FindEntryWindow);
}

bool HasFocus(int id) {
  HWND control = Control(id);
  return control && GetFocus() == control;
}

}  // namespace

void OpenFindWindow() {
  AppState& app = App();
  for (int number = EditEntryWindow; number <= FindEntryWindow; ++number)
    if (EntryWindowHandle(number)) return;

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
    const Text caption = c.section ? Tr(c.section, c.key) : g_last_text;
    const bool field = c.id == kFindField;
    HWND control = CreateWindowExW(
        field ? WS_EX_CLIENTEDGE : 0, c.cls, W(caption), WS_CHILD | WS_VISIBLE | c.style, ScaleX(c.x), ScaleY(c.y),
        ScaleX(c.w), ScaleY(c.h), window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)),
        app.instance, nullptr);
    if (control && MessageFontHandle())
      SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(MessageFontHandle()), FALSE);
  }
  NameFieldByLabel(GetDlgItem(window, kFindField), GetDlgItem(window, kFindLabel));
  // Subclassed after the field got the last text, which is no new search.
  g_frame_procedure = reinterpret_cast<WNDPROC>(
      SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FindFrameProc)));
  g_start_row = app.table.CurrentRow();

  SendMessageW(window, WM_UPDATEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS | UISF_HIDEACCEL), 0);
  ShowWindow(window, SW_SHOW);
  SetForegroundWindow(window);
  SetSecondaryWindow(FindEntryWindow, window, MakeFindShortcuts());
  if (HWND field = Control(kFindField)) SetFocus(field);
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
      SearchAsTyped();
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
          // Enter presses the focused button; in the field it is OK.
          if (HasFocus(kFindCancel))
            Cancel();
          else if (HasFocus(kFindPrevious))
            Step(-1);
          else if (HasFocus(kFindNext))
            Step(1);
          else
            Accept();
          break;
        case kFindEscape:
          Cancel();
          break;
        case kFindOkKey:
          Accept();
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
        if (event.object == kFindOk) Accept();
        if (event.object == kFindCancel) Cancel();
      }
      break;
    case EventKind::Close:  // no close box; Alt+F4 leaves the window open
    default:
      break;
  }
}

}  // namespace gw
