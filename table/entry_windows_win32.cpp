// The two entry editor windows: Edit replaces the current row, New inserts a
// row above or below it. Both are modal in effect (the main window is
// disabled while one is open), read the Code field with InterpretCodeInput
// and write the whole character file on OK. Their events reach the loop
// through TranslateWindowMessage; the loop's dispatch calls back in here.
#include <windows.h>
#include <oleacc.h>

#include <iterator>
#include <utility>
#include <vector>

#include "base/event_queue.h"
#include "base/message_box.h"
#include "base/placeholders.h"
#include "base/placement.h"
#include "mainwindow/accessible_win32.h"
#include "mainwindow/announce_win32.h"
#include "mainwindow/app_state_win32.h"
#include "mainwindow/colours_win32.h"
#include "mainwindow/main_window.h"
#include "table/character_file.h"
#include "table/code_notation.h"
#include "table/entry_input.h"
#include "table/entry_windows_win32.h"
#include "table/table_win32.h"

namespace gw {

namespace {

constexpr wchar_t kEntryClass[] = L"GlyphwellEntryWindow";
constexpr int kWindowSlots = 6;  // windows 1 to 5

// The open secondary windows by number, with their shortcut tables.
HWND g_windows[kWindowSlots] = {};
HACCEL g_shortcuts[kWindowSlots] = {};

EntryPosition g_new_position = EntryPosition::Above;

enum ControlKind { kLabel, kGroup, kEdit, kRadioFirst, kRadio, kDefaultButton, kButton };

struct ControlLayout {
  int id;
  ControlKind kind;
  const char16_t* section;  // caption; nullptr for edit fields
  const char16_t* key;
  int x, y, w, h;
};

// In creation order, which is also the Tab order. The bold label above the
// Code field reaches to the Comment label, so that its text has room in every
// language (at 144 DPI too).
constexpr ControlLayout kEditControls[] = {
    {kEditTriggerLabel, kLabel, u"WinMain", u"Trigger", 20, 40, 60, 20},
    {kEditTriggerField, kEdit, nullptr, nullptr, 20, 60, 60, 20},
    {kEditCodeLabel, kLabel, u"WinNew", u"Code", 90, 40, 150, 20},
    {kEditCodeField, kEdit, nullptr, nullptr, 90, 60, 140, 20},
    {kEditCommentLabel, kLabel, u"WinMain", u"Comment", 240, 40, 80, 20},
    {kEditCommentField, kEdit, nullptr, nullptr, 240, 60, 200, 20},
    {kEditOk, kDefaultButton, u"General", u"OK", 20, 110, 80, 25},
    {kEditCancel, kButton, u"General", u"Cancel", 340, 110, 100, 25},
};

constexpr ControlLayout kNewControls[] = {
    // A group box, so that the two options are read as one group with it.
    {kNewAddLabel, kGroup, u"WinNew", u"Add", 10, 8, 200, 66},
    {kNewAbove, kRadioFirst, u"WinNew", u"Above", 20, 30, 60, 20},
    {kNewBelow, kRadio, u"WinNew", u"Below", 20, 50, 60, 20},
    {kNewCurrentLabel, kLabel, u"WinNew", u"Current", 20, 75, 140, 20},
    {kNewTriggerLabel, kLabel, u"WinMain", u"Trigger", 20, 120, 60, 20},
    {kNewTriggerField, kEdit, nullptr, nullptr, 20, 140, 60, 20},
    {kNewCodeLabel, kLabel, u"WinNew", u"Code", 90, 120, 150, 20},
    {kNewCodeField, kEdit, nullptr, nullptr, 90, 140, 140, 20},
    {kNewCommentLabel, kLabel, u"WinMain", u"Comment", 240, 120, 80, 20},
    {kNewCommentField, kEdit, nullptr, nullptr, 240, 140, 200, 20},
    {kNewOk, kDefaultButton, u"General", u"OK", 20, 190, 80, 25},
    {kNewCancel, kButton, u"General", u"Cancel", 340, 190, 100, 25},
};

constexpr WPARAM kMaxFieldLength = 0x100000;

LRESULT CALLBACK EntryWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lp);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  const int number = static_cast<int>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (msg == WM_SYSCOLORCHANGE || msg == WM_THEMECHANGED) ForwardColourChange(hwnd, msg, wp, lp);
  LRESULT result = 0;
  if (number > 0 && TranslateWindowMessage(number, hwnd, msg, wp, lp, &result)) return result;
  return DefWindowProcW(hwnd, msg, wp, lp);
}

bool RegisterEntryClass() {
  AppState& app = App();
  WNDCLASSEXW wc{};
  wc.cbSize = sizeof(wc);
  if (GetClassInfoExW(app.instance, kEntryClass, &wc)) return true;
  wc = WNDCLASSEXW{};
  wc.cbSize = sizeof(wc);
  wc.lpfnWndProc = EntryWindowProc;
  wc.hInstance = app.instance;
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  wc.lpszClassName = kEntryClass;
  return RegisterClassExW(&wc) != 0;
}

void CreateControls(HWND window, const ControlLayout* layouts, size_t count) {
  AppState& app = App();
  for (size_t i = 0; i < count; ++i) {
    const ControlLayout& c = layouts[i];
    const wchar_t* cls = L"STATIC";
    DWORD style = WS_CHILD | WS_VISIBLE;
    switch (c.kind) {
      case kLabel:
        style |= SS_NOPREFIX;
        break;
      case kGroup:
        cls = L"BUTTON";
        style |= WS_GROUP | BS_GROUPBOX;
        break;
      case kEdit:
        cls = L"EDIT";
        style |= WS_TABSTOP | ES_AUTOHSCROLL | ES_LEFT;
        break;
      case kRadioFirst:
        cls = L"BUTTON";
        style |= WS_TABSTOP | WS_GROUP | BS_AUTORADIOBUTTON;
        break;
      case kRadio:
        cls = L"BUTTON";
        style |= WS_TABSTOP | BS_AUTORADIOBUTTON;
        break;
      case kDefaultButton:
        cls = L"BUTTON";
        style |= WS_TABSTOP | WS_GROUP | BS_DEFPUSHBUTTON;
        break;
      case kButton:
        cls = L"BUTTON";
        style |= WS_TABSTOP | BS_PUSHBUTTON;
        break;
    }
    // The first control after the option buttons closes their group.
    if (c.kind == kLabel) style |= WS_GROUP;
    const Text caption = c.section ? Tr(c.section, c.key) : Text();
    // Every field has a visible border, in high contrast too.
    HWND control = CreateWindowExW(
        c.kind == kEdit ? WS_EX_CLIENTEDGE : 0, cls, W(caption), style, ScaleX(c.x), ScaleY(c.y),
        ScaleX(c.w), ScaleY(c.h), window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)),
        app.instance, nullptr);
    if (!control) continue;
    // A field is named by the label before it, also where the system would
    // not look for one.
    if (c.kind == kEdit && i > 0 && layouts[i - 1].kind == kLabel)
      NameFieldByLabel(control, GetDlgItem(window, layouts[i - 1].id));
    HFONT font = MessageFontHandle();
    const bool code_label = c.id == kEditCodeLabel || c.id == kNewCodeLabel;
    if (code_label && BoldMessageFont()) font = BoldMessageFont();
    if (font) SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    if (c.kind == kEdit) SendMessageW(control, EM_SETLIMITTEXT, kMaxFieldLength, 0);
  }
}

void ReportOpenFailure(const Text& title) {
  ShowMessage(FillPlaceholders(Tr(u"General", u"ErrOpen"), title), MB_ICONERROR);
}

// Shows the new window with focus cues on and the focus in `focus_id`, and
// registers its shortcuts.
void FinishOpening(int number, HWND window, int focus_id, bool arrows) {
  SendMessageW(window, WM_UPDATEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS | UISF_HIDEACCEL), 0);
  ShowWindow(window, SW_SHOW);
  SetForegroundWindow(window);
  if (HWND field = GetDlgItem(window, focus_id)) SetFocus(field);
  g_shortcuts[number] = MakeEntryShortcuts(arrows);
  if (g_shortcuts[number]) SetWindowAccelerators(window, g_shortcuts[number]);
}

Text FieldText(int window, int id) {
  HWND field = EntryControl(window, id);
  return field ? WindowTextOf(field) : Text();
}

void FocusControl(int window, int id) {
  if (HWND control = EntryControl(window, id)) SetFocus(control);
}

void ShowEntryError(const char16_t* section, const char16_t* key) {
  ShowMessage(Tr(section, key), MB_ICONERROR);
}

// Gives the focus back to the main window control that opened the window,
// or to the list when that control cannot take it.
void FocusLastControl() {
  HWND control = MainControl(App().last_focused_control);
  if (!control || !IsWindowEnabled(control) || !IsWindowVisible(control))
    control = MainControl(kCtlList);
  if (control) SetFocus(control);
}

// Checks the Code field of window `number`; reports a rejection.
bool ReadCodeField(int number, int id, CodeInput& input) {
  auto read = InterpretCodeInput(FieldText(number, id));
  if (!read) {
    ShowEntryError(u"WinNew", u"ErrCode");
    FocusControl(number, id);
    return false;
  }
  input = std::move(*read);
  return true;
}

// Reports a rejected trigger; true when it was accepted.
bool TriggerAccepted(TriggerCheck check, int number, int field) {
  switch (check) {
    case TriggerCheck::Accepted:
      return true;
    case TriggerCheck::TooLong:
      Announce(Tr(u"WinMain", u"ErrInvalidTrigger"), Politeness::Assertive);
      ShowEntryError(u"WinMain", u"ErrInvalidTrigger");
      break;
    case TriggerCheck::Duplicate:
      Announce(Tr(u"WinMain", u"ErrDoubleTrigger"), Politeness::Assertive);
      ShowEntryError(u"WinMain", u"ErrDoubleTrigger");
      break;
  }
  FocusControl(number, field);
  return false;
}

// At most one secondary window is open at a time.
bool AnySecondaryWindowOpen() {
  for (int number = 1; number < kWindowSlots; ++number)
    if (g_windows[number]) return true;
  return false;
}

}  // namespace

HWND CreateSecondaryFrame(int number, const Text& title, int client_w, int client_h) {
  if (!RegisterEntryClass()) return nullptr;
  HWND main = App().main_window;
  const DWORD style = WS_POPUP | WS_CAPTION;  // no system menu, no close box
  RECT rect{0, 0, ScaleX(client_w), ScaleY(client_h)};
  AdjustWindowRectEx(&rect, style, FALSE, 0);
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  RECT owner{};
  if (main) GetWindowRect(main, &owner);
  // On the main window's monitor, which need not be the primary one.
  MONITORINFO monitor{};
  monitor.cbSize = sizeof(monitor);
  RECT work{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  if (GetMonitorInfoW(MonitorFromWindow(main, MONITOR_DEFAULTTONEAREST), &monitor))
    work = monitor.rcWork;
  const ScreenPoint at =
      CentredOver({owner.left, owner.top, owner.right, owner.bottom}, width, height,
                  {work.left, work.top, work.right, work.bottom});
  HWND window =
      CreateWindowExW(0, kEntryClass, W(title), style, at.x, at.y, width, height, main, nullptr,
                      App().instance, reinterpret_cast<LPVOID>(static_cast<INT_PTR>(number)));
  // A dialog to the accessibility layer, so that a screen reader reads its
  // title and text when it opens.
  AccessibleTraits traits;
  traits.role = ROLE_SYSTEM_DIALOG;
  MakeAccessible(window, std::move(traits));
  return window;
}

HACCEL MakeEntryShortcuts(bool arrows) {
  std::vector<ACCEL> entries;
  const char16_t ok = MnemonicKey(Tr(u"General", u"OK"));
  const char16_t cancel = MnemonicKey(Tr(u"General", u"Cancel"));
  if (ok != 0) entries.push_back({FVIRTKEY | FALT, static_cast<WORD>(ok), 12});
  if (cancel != 0 && cancel != ok)
    entries.push_back({FVIRTKEY | FALT, static_cast<WORD>(cancel), 11});
  if (arrows) {
    entries.push_back({FVIRTKEY, VK_UP, 8});
    entries.push_back({FVIRTKEY, VK_DOWN, 9});
  }
  entries.push_back({FVIRTKEY, VK_RETURN, 10});
  // Esc is Cancel, as in every Windows dialog.
  entries.push_back({FVIRTKEY, VK_ESCAPE, 11});
  return CreateAcceleratorTableW(entries.data(), static_cast<int>(entries.size()));
}

HWND EntryWindowHandle(int window) {
  return window > 0 && window < kWindowSlots ? g_windows[window] : nullptr;
}

HWND EntryControl(int window, int id) {
  HWND hwnd = EntryWindowHandle(window);
  return hwnd ? GetDlgItem(hwnd, id) : nullptr;
}

void SetSecondaryWindow(int window, HWND hwnd, HACCEL shortcuts) {
  if (window <= 0 || window >= kWindowSlots) return;
  g_windows[window] = hwnd;
  g_shortcuts[window] = shortcuts;
  if (hwnd && shortcuts) SetWindowAccelerators(hwnd, shortcuts);
}

EntryPosition& NewEntryPosition() { return g_new_position; }

void OpenEditEntryWindowFor(int row) {
  AppState& app = App();
  if (row < 0 || !app.table.IsRow(row) || AnySecondaryWindowOpen()) return;
  const Text title = Tr(u"WinMain", u"Edit");
  HWND window = CreateSecondaryFrame(EditEntryWindow, title, 460, 150);
  if (!window) {
    ReportOpenFailure(title);
    return;
  }
  g_windows[EditEntryWindow] = window;
  SetStatusText(Text());
  if (app.main_window) EnableWindow(app.main_window, FALSE);
  CreateControls(window, kEditControls, std::size(kEditControls));
  SetWindowTextW(GetDlgItem(window, kEditTriggerField), W(app.table.Column(row, 0)));
  SetWindowTextW(GetDlgItem(window, kEditCodeField), W(app.table.Column(row, 2)));
  SetWindowTextW(GetDlgItem(window, kEditCommentField), W(app.table.Column(row, 3)));
  FinishOpening(EditEntryWindow, window, kEditTriggerField, false);
}

void OpenNewEntryWindowNow() {
  AppState& app = App();
  if (AnySecondaryWindowOpen()) return;
  const Text title = NewEntryTitle(Tr(u"WinMain", u"New"));
  HWND window = CreateSecondaryFrame(NewEntryWindow, title, 460, 230);
  if (!window) {
    ReportOpenFailure(title);
    return;
  }
  g_windows[NewEntryWindow] = window;
  SetStatusText(Text());
  if (app.main_window) EnableWindow(app.main_window, FALSE);
  CreateControls(window, kNewControls, std::size(kNewControls));
  if (app.table.CurrentRow() < 0) {
    for (int id : {kNewAbove, kNewBelow, kNewCurrentLabel})
      if (HWND control = GetDlgItem(window, id)) EnableWindow(control, FALSE);
  } else {
    const int checked = g_new_position == EntryPosition::Above ? kNewAbove : kNewBelow;
    CheckDlgButton(window, checked, BST_CHECKED);
  }
  FinishOpening(NewEntryWindow, window, kNewTriggerField, true);
}

void CloseEntryWindow(int window) {
  HWND hwnd = EntryWindowHandle(window);
  if (!hwnd) return;
  RemoveWindowAccelerators(hwnd);
  if (g_shortcuts[window]) DestroyAcceleratorTable(g_shortcuts[window]);
  g_shortcuts[window] = nullptr;
  g_windows[window] = nullptr;
  // The main window is enabled before its owned window goes, so that it is
  // the window Windows activates next.
  if (HWND main = App().main_window) EnableWindow(main, TRUE);
  RetireWindow(hwnd);
  FocusLastControl();
}

bool ApplyEditEntry(const Text& path) {
  constexpr int kWin = EditEntryWindow;
  if (!EntryWindowHandle(kWin)) return false;
  CodeInput code;
  if (!ReadCodeField(kWin, kEditCodeField, code)) return false;

  CharacterTable& table = App().table;
  const int row = table.CurrentRow();
  if (!table.IsRow(row)) {  // cannot happen while the main window is disabled
    CloseEntryWindow(kWin);
    return false;
  }
  const Text old_trigger = table.Column(row, 0);
  const Text new_trigger = TrimSpaces(TextLeftAsShown(FieldText(kWin, kEditTriggerField), old_trigger));
  if (!TriggerAccepted(CheckEditedTrigger(old_trigger, new_trigger, table.Triggers()), kWin,
                       kEditTriggerField))
    return false;

  // Replacing the row also moves its trigger in the index.
  const Text comment = TextLeftAsShown(FieldText(kWin, kEditCommentField), table.Column(row, 3));
  CharacterEntry entry{new_trigger, code.code_text, TrimSpaces(comment)};
  table.ReplaceRow(row, entry);
  UpdateListRow(row);
  CloseEntryWindow(kWin);

  // The row keeps its new content even when the file cannot be written.
  const SaveResult saved = SaveTableShown(path, -1);
  ReportSave(saved, path);
  return Saved(saved);
}

bool ApplyNewEntry(const Text& path) {
  constexpr int kWin = NewEntryWindow;
  HWND window = EntryWindowHandle(kWin);
  if (!window) return false;
  CodeInput code;
  if (!ReadCodeField(kWin, kNewCodeField, code)) return false;

  CharacterTable& table = App().table;
  const int current = table.CurrentRow();
  const bool above = IsDlgButtonChecked(window, kNewAbove) == BST_CHECKED;
  // Recorded before the trigger is examined; disabled options record Below.
  g_new_position = above ? EntryPosition::Above : EntryPosition::Below;

  const Text trigger = TrimSpaces(FieldText(kWin, kNewTriggerField));
  if (!TriggerAccepted(CheckNewTrigger(trigger, table.Triggers()), kWin, kNewTriggerField))
    return false;

  const int row = NewEntryRow(current, g_new_position);
  // Inserting enters the trigger and renumbers the rows after it.
  table.InsertRow(
      row, CharacterEntry{trigger, code.code_text, TrimSpaces(FieldText(kWin, kNewCommentField))});
  InsertListRow(row);
  CloseEntryWindow(kWin);

  const SaveResult saved = SaveTableShown(path, -1);
  if (!Saved(saved)) {
    // Removing the row drops its trigger and renumbers the rows from it on.
    table.RemoveRow(row);
    g_program_selecting = true;
    RemoveListRow(row);
    g_program_selecting = false;
    ReportSave(saved, path);
    return false;
  }
  g_program_selecting = true;
  SelectListRow(row);
  g_program_selecting = false;
  ReportSave(saved, path);
  return true;
}

}  // namespace gw
