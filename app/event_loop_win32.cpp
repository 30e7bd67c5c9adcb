// The event loop: takes one event at a time and dispatches it by window,
// kind and control, command or timer number. It also owns the main window's
// show, hide and minimise behaviour, the tray icon's clicks, the focus and
// status-bar bookkeeping around commands, and the two timers.
#include <windows.h>
#include <commctrl.h>

#include <utility>
#include <vector>

#include "app/event_loop.h"
#include "app/keyboard_win32.h"
#include "app/shell_win32.h"
#include "base/event_queue.h"
#include "base/message_box.h"
#include "base/platform.h"
#include "commands/commands_win32.h"
#include "mainwindow/hotkey_pass.h"
#include "base/placeholders.h"
#include "mainwindow/announce_win32.h"
#include "mainwindow/find_window.h"
#include "mainwindow/insertion_win32.h"
#include "mainwindow/main_window.h"
#include "mainwindow/menu_layout.h"
#include "settings/settings_window.h"
#include "table/character_file.h"
#include "table/entry_windows_win32.h"
#include "table/read_problem.h"

namespace gw {

namespace {

// Main window commands (menu items and keyboard shortcuts).
enum MainCommand : int {
  kCmdInsertCharacters = 0,
  kCmdInsertCode = 1,
  kCmdCopyCharacters = 2,
  kCmdCopyCode = 3,
  kCmdMoveUp = 4,
  kCmdMoveDown = 5,
  kCmdOpenMenu = 6,
  kCmdNewEntry = 7,
  kCmdAbout = 13,
  kCmdUpdate = 14,
  kCmdHelp = 15,
  kCmdSettings = 16,
  kCmdGoToFile = 17,
  kCmdShow = 18,
  kCmdHide = 19,
  kCmdQuit = 20,
  kCmdRunAtStartup = 24,
  kCmdEditEntry = kEditEntryCommand,
  kCmdDeleteEntry = kDeleteEntryCommand,
  kCmdDeleteKey = 27,  // Del: Delete while the list has the focus
};

enum MainTimer : int { kTimerUpdateRetry = 0, kTimerStatus = 1, kTimerTrayRetry = 2 };

void ClearStatus() { SetStatusText(Text()); }

// The main window in its current state (maximised, minimised or normal).
void ShowInCurrentState() {
  HWND main = App().main_window;
  if (!main) return;
  const int how = IsZoomed(main) ? SW_SHOWMAXIMIZED : IsIconic(main) ? SW_SHOWMINIMIZED : SW_SHOWNORMAL;
  ShowWindow(main, how);
}

void MarkShown() {
  EnableTrayMenuItem(kCmdShow, false);
  EnableTrayMenuItem(kCmdHide, true);
}

// Gives the focus to a main window control, or to the list when that
// control cannot take it.
void FocusMainControl(int id) {
  HWND control = MainControl(id);
  if (!control || !IsWindowEnabled(control) || !IsWindowVisible(control))
    control = MainControl(kCtlList);
  if (control) SetFocus(control);
}

// The main window control that has the focus, or `otherwise` when none has.
int FocusedMainControl(int otherwise) {
  HWND focus = GetFocus();
  for (int id = kCtlCharMapLink; id <= kCtlInsert; ++id)
    if (focus && MainControl(id) == focus) return id;
  return otherwise;
}

// Runs a button's command from a key or the menu: the focus comes back to
// the control that has it now, not to the button.
void RunKeepingFocus(void (*command)()) {
  AppState& app = App();
  const int back = FocusedMainControl(app.last_focused_control);
  command();
  app.last_focused_control = back;
  Loop().CommandPending = true;
}

// --- Main window handlers ------------------------------------------------------------

// The Shift rule of the Insert button and of a double-click in the list.
void InsertByShiftRule() {
  if (GetAsyncKeyState(VK_SHIFT) & 0x8000)
    InsertCode();
  else
    InsertCharacters();
}

// MainMenu below the Menu button (control 4, Shift+F10, Apps).
void OpenMainMenu() {
  AppState& app = App();
  ClearStatus();
  app.last_focused_control = kCtlMenu;
  POINT corner{ScaleX(10), ScaleY(40)};
  if (HWND button = MainControl(kCtlMenu)) {
    RECT rect{};
    GetWindowRect(button, &rect);
    corner = POINT{rect.left, rect.bottom};
  } else if (app.main_window) {
    ClientToScreen(app.main_window, &corner);
  }
  ShowMainMenuAt(corner);
  Loop().CommandPending = true;
}

void OnStayOnTopChanged() {
  AppState& app = App();
  HWND box = MainControl(kCtlOnTop);
  const bool on = box && SendMessageW(box, BM_GETCHECK, 0, 0) == BST_CHECKED;
  app.settings.OnTop = on;
  if (app.main_window)
    SetWindowPos(app.main_window, on ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0,
                 SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  if (!SaveSettings(app.settings_path, app.settings))
    ShowMessage(Tr(u"General", u"ErrWrite") + u"\n" + app.settings_path, MB_ICONERROR);
}

void OnMainControl(const Event& event) {
  AppState& app = App();
  LoopState& loop = Loop();
  // A control that lost the focus and holds it again when the event is taken
  // lost it only for a moment (the window went into the tray and came back):
  // the focus did not move, and the reread message stays.
  const bool focus_moved =
      (event.type == FocusGained && event.object != kCtlList) ||
      (event.type == FocusLost && !(MainControl(event.object) &&
                                    GetFocus() == MainControl(event.object)));
  if (focus_moved && loop.TransientStatus) {
    SetStatusText(InfoStatusText());
    loop.TransientStatus = false;
  }
  // Image buttons count a click or a released Space key.
  const bool pressed =
      event.type == ControlClick || (event.type == ControlKeyReleased && event.key == VK_SPACE);

  switch (event.object) {
    case kCtlMenu:
      OpenMainMenu();
      break;
    case kCtlNew:
      if (!pressed) break;
      app.last_focused_control = kCtlNew;
      OpenNewEntryWindow();
      loop.CommandPending = true;
      break;
    case kCtlEdit:
      if (!pressed) break;
      app.last_focused_control = kCtlEdit;
      OpenEditEntryWindow();
      loop.CommandPending = true;
      break;
    case kCtlDelete:
      if (!pressed) break;
      app.last_focused_control = kCtlDelete;
      DeleteSelectedEntry();
      loop.CommandPending = true;
      break;
    case kCtlCharMapLink:
      app.last_focused_control = kCtlCharMapLink;
      StartCharacterMap();
      loop.CommandPending = true;
      break;
    case kCtlList:
      // The list losing the focus to a command's control (the Menu button
      // after Shift+F10, say) does not make it the control to return to.
      if (event.type != FocusLost) app.last_focused_control = kCtlList;
      if (event.type == ControlSelectionChanged) {
        FollowListSelection();
        if (loop.TransientStatus) {
          SetStatusText(InfoStatusText());
          loop.TransientStatus = false;
        }
        // The name of the character, otherwise a tooltip for the mouse.
        if (ListInputWasKeyboard()) ShowCharacterNameInStatus(app.table.CurrentRow());
      } else if (event.type == ControlDoubleClick) {
        InsertByShiftRule();
      }
      break;
    case kCtlOnTop:
      if (event.type == ControlClick) OnStayOnTopChanged();
      break;
    case kCtlInsert:
      if (event.type == ControlClick) InsertByShiftRule();
      break;
    default:
      break;
  }
}

void OnMainCommand(int command) {
  AppState& app = App();
  LoopState& loop = Loop();
  switch (command) {
    case kCmdInsertCharacters:
      InsertCharacters();
      break;
    case kCmdInsertCode:
      InsertCode();
      break;
    case kCmdCopyCharacters:
      CopyCharacters();
      break;
    case kCmdCopyCode:
      CopyCode();
      break;
    case kCmdMoveUp:
    case kCmdMoveDown:
      if (MainControl(kCtlList) && GetFocus() == MainControl(kCtlList))
        MoveSelectedRow(command == kCmdMoveUp ? -1 : 1);
      break;
    case kCmdOpenMenu:
      if (HWND button = MainControl(kCtlMenu)) SetFocus(button);
      OpenMainMenu();
      break;
    case kCmdNewEntry:
      if (HWND button = MainControl(kCtlNew)) SetFocus(button);
      app.last_focused_control = kCtlNew;
      OpenNewEntryWindow();
      loop.CommandPending = true;
      break;
    case kCmdAbout:
      ClearStatus();
      OpenAboutWindow(app.tray_icon);
      loop.CommandPending = true;
      break;
    case kCmdUpdate:
      ClearStatus();
      RunUpdateCommand();
      loop.CommandPending = true;
      break;
    case kCmdHelp:
      if (OpenHelpFile()) loop.CommandPending = false;
      break;
    case kCmdSettings:
      ClearStatus();
      OpenSettingsWindow();
      loop.CommandPending = true;
      break;
    case kCmdGoToFile:
      ShowCharacterFileInExplorer();
      loop.CommandPending = false;
      break;
    case kCmdShow:
      ShowMainWindow();
      loop.TrayMenuShown = false;
      break;
    case kCmdHide:
      MinimizeMainWindow();
      loop.TrayMenuShown = false;
      break;
    case kCmdQuit:
      QuitProgram(app.settings.ConfirmEnd, app.tray_icon);
      loop.CommandPending = false;  // only reached when the user declined
      break;
    // Find: the window (Ctrl+F, the menu), the next and previous row (F3,
    // Shift+F3), which open the window when nothing was searched for yet.
    case kCmdFind:
      OpenFindWindow();
      loop.CommandPending = true;
      break;
    case kCmdFindNext:
    case kCmdFindPrevious:
      if (FindAgain(command == kCmdFindNext ? 1 : -1)) loop.CommandPending = true;
      break;
    case kCmdRunAtStartup:
      ToggleRunAtStartup();
      loop.CommandPending = false;
      break;
    // Edit (F2, the menu) and Delete (Del in the list, the menu), as their
    // buttons do, except that the focus comes back to the control that had
    // it (the Menu button after the menu, the list after a key).
    case kCmdEditEntry:
      RunKeepingFocus(OpenEditEntryWindow);
      break;
    case kCmdDeleteKey:
      if (!MainControl(kCtlList) || GetFocus() != MainControl(kCtlList)) break;
      [[fallthrough]];
    case kCmdDeleteEntry:
      RunKeepingFocus(DeleteSelectedEntry);
      break;
    default:
      break;
  }
}

void OnTray(int type, int key) {
  AppState& app = App();
  if (type == 0) {
    if (app.main_window && IsWindowVisible(app.main_window))
      MinimizeMainWindow();
    else
      ShowMainWindow();
  } else if (type == 2) {
    // A left double click always leaves the window shown, whichever state
    // its first click left.
    ShowMainWindow();
  } else if (type == 1) {
    POINT at{};
    GetCursorPos(&at);
    at.x -= 1;
    at.y -= 1;
    ShowTrayMenuAt(at);
    Loop().TrayMenuShown = true;
  } else if (type == 4) {
    // The notification of news was clicked.
    OpenAnnouncedUpdate();
  } else if (type == 5) {
    ForgetAnnouncedUpdate();
  } else if (type == kTrayKeySelect) {
    ShowMainWindow();
  } else if (type == kTrayKeyMenu) {
    const auto packed = static_cast<DWORD>(key);
    ShowTrayMenuAt(POINT{static_cast<SHORT>(LOWORD(packed)), static_cast<SHORT>(HIWORD(packed))});
    Loop().TrayMenuShown = true;
  }
}

void OnMainActivate() {
  AppState& app = App();
  LoopState& loop = Loop();
  RereadIfChanged();
  FocusMainControl(loop.CommandPending ? app.last_focused_control : kCtlList);
  ShowInCurrentState();
  MarkShown();
  loop.CommandPending = false;
}

void OnMainDeactivate() {
  HWND main = App().main_window;
  LoopState& loop = Loop();
  if (loop.TrayMenuShown && main && (IsIconic(main) || IsZoomed(main))) HideMainWindow();
  loop.TrayMenuShown = false;
}

void OnMainTimer(int id) {
  HWND main = App().main_window;
  if (id == kTimerStatus) {
    KillTimer(main, kTimerStatus);
    SetStatusText(InfoStatusText());
  } else if (id == kTimerUpdateRetry) {
    KillTimer(main, kTimerUpdateRetry);
    RetryUpdateCheck();
  } else if (id == kTimerTrayRetry) {
    RetryTrayIcon();  // repeats until the icon is there
  }
}

void OnTriggerKey() {
  AppState& app = App();
  LoopState& loop = Loop();
  if (loop.TriggerFound) {
    if (!app.table.IsRow(loop.TriggerRow)) return;
    app.table.SelectRow(loop.TriggerRow);
    SelectListRow(loop.TriggerRow);
  } else {
    // Said and shown as well as heard: the beep alone tells nothing to a
    // user who cannot tell it from other sounds, or who turned it off.
    const Text& typed = loop.TriggerTyped;
    if (!typed.empty() && typed[0] >= u' ')
      ShowStatusMessage(FillPlaceholders(Tr(u"WinMain", u"StatusNoTrigger"),
                                         std::vector<TextView>{typed}),
                        Politeness::Polite);
    if (app.settings.Beep && BeepReady()) PlayBeep();
  }
}

void DispatchMainWindow(const Event& event) {
  AppState& app = App();
  switch (event.kind) {
    case EventKind::Control:
      OnMainControl(event);
      break;
    case EventKind::Command:
      OnMainCommand(event.object);
      break;
    case EventKind::Tray:
      OnTray(event.type, event.key);
      break;
    case EventKind::Activate:
      OnMainActivate();
      break;
    case EventKind::Deactivate:
      OnMainDeactivate();
      break;
    case EventKind::Minimize:
      HideMainWindow();
      break;
    case EventKind::Close:
      QuitProgram(app.settings.ConfirmEnd, app.tray_icon);
      break;
    case EventKind::Timer:
      OnMainTimer(event.object);
      break;
    case EventKind::Hotkey:
      if (PassHotkeyToProgramInFront()) break;
      ShowMainWindow();
      break;
    case EventKind::MainMenuClosed:
      SetStatusText(InfoStatusText());
      break;
    case EventKind::TriggerKey:
      OnTriggerKey();
      break;
    case EventKind::UpdateCheckResult:
      FinishUpdateCheck(event.object);
      break;
    case EventKind::Erase:
    case EventKind::FindTextChanged:
      break;
  }
}

// --- Secondary windows ------------------------------------------------------------------
// The entry editors (windows 1 and 2) are dispatched here, the About window
// (3) by commands/about_window_win32.cpp and the Settings window (4) by
// settings/settings_window_win32.cpp. A close request (Alt+F4, the close
// command) cancels them, as Esc and Cancel do.

// OK of an entry editor; a successful write's time becomes the FileStamp.
void ApplyEntry(bool (*apply)(const Text&)) {
  AppState& app = App();
  if (apply(app.character_path)) app.file_stamp = FileStampOf(app.character_path);
}

bool EntryFocusIs(int window, int id) {
  HWND control = EntryControl(window, id);
  return control && GetFocus() == control;
}

void SelectAllText(int window, int id) {
  if (HWND field = EntryControl(window, id)) SendMessageW(field, EM_SETSEL, 0, -1);
}

// Shortcuts of the entry editors: the arrow keys (New window only), Return,
// Alt + the Cancel mnemonic and Alt + the OK mnemonic.
enum EntryCommand : int {
  kEntryUp = 8,
  kEntryDown = 9,
  kEntryReturn = 10,
  kEntryCancel = 11,
  kEntryOk = 12,
};

void DispatchEditEntryWindow(const Event& event) {
  constexpr int kWin = EditEntryWindow;
  switch (event.kind) {
    case EventKind::Command:
      if (event.object == kEntryReturn) {
        if (EntryFocusIs(kWin, kEditCancel))
          CloseEntryWindow(kWin);
        else
          ApplyEntry(ApplyEditEntry);
      } else if (event.object == kEntryCancel) {
        CloseEntryWindow(kWin);
      } else if (event.object == kEntryOk) {
        ApplyEntry(ApplyEditEntry);
      }
      break;
    case EventKind::Control:
      if (event.type == FocusGained &&
          (event.object == kEditCodeField || event.object == kEditTriggerField ||
           event.object == kEditCommentField))
        SelectAllText(kWin, event.object);
      else if (event.object == kEditOk && event.type == ControlClick)
        ApplyEntry(ApplyEditEntry);
      else if (event.object == kEditCancel && event.type == ControlClick)
        CloseEntryWindow(kWin);
      break;
    case EventKind::Close:  // Alt+F4 or the close command: Cancel
      CloseEntryWindow(kWin);
      break;
    default:
      break;
  }
}

// Moves the choice between the two options with the arrow keys.
void MoveOptionFocus(int from, int to) {
  if (!EntryFocusIs(NewEntryWindow, from)) return;
  HWND window = EntryWindowHandle(NewEntryWindow);
  CheckDlgButton(window, from, BST_UNCHECKED);
  CheckDlgButton(window, to, BST_CHECKED);
  if (HWND option = EntryControl(NewEntryWindow, to)) SetFocus(option);
}

void DispatchNewEntryWindow(const Event& event) {
  constexpr int kWin = NewEntryWindow;
  switch (event.kind) {
    case EventKind::Command:
      if (event.object == kEntryUp) {
        MoveOptionFocus(kNewBelow, kNewAbove);
      } else if (event.object == kEntryDown) {
        MoveOptionFocus(kNewAbove, kNewBelow);
      } else if (event.object == kEntryReturn) {
        if (EntryFocusIs(kWin, kNewCancel))
          CloseEntryWindow(kWin);
        else
          ApplyEntry(ApplyNewEntry);
      } else if (event.object == kEntryCancel) {
        CloseEntryWindow(kWin);
      } else if (event.object == kEntryOk) {
        ApplyEntry(ApplyNewEntry);
      }
      break;
    case EventKind::Control:
      if (event.type == FocusGained &&
          (event.object == kNewCodeField || event.object == kNewTriggerField ||
           event.object == kNewCommentField))
        SelectAllText(kWin, event.object);
      else if (event.object == kNewOk && event.type == ControlClick)
        ApplyEntry(ApplyNewEntry);
      else if (event.object == kNewCancel && event.type == ControlClick)
        CloseEntryWindow(kWin);
      break;
    case EventKind::Close:  // Alt+F4 or the close command: Cancel
      CloseEntryWindow(kWin);
      break;
    default:
      break;
  }
}

// --- Window messages -----------------------------------------------------------------------

HACCEL AcceleratorsOf(HWND window) {
  if (!window) return nullptr;
  if (window == App().main_window) return MainAccelerators();
  return WindowAccelerators(window);
}

// The direct child of `top` that holds `control` (or `control` itself).
HWND TopLevelChild(HWND top, HWND control) {
  while (control && GetParent(control) != top) control = GetParent(control);
  return control;
}

// Tab and Shift+Tab move the focus among the tab-stop controls of the active
// program window.
bool HandleTab(const MSG& msg, HWND active) {
  if (msg.message != WM_KEYDOWN || msg.wParam != VK_TAB) return false;
  if ((GetKeyState(VK_CONTROL) & 0x8000) || (GetKeyState(VK_MENU) & 0x8000)) return false;
  const bool backwards = (GetKeyState(VK_SHIFT) & 0x8000) != 0;
  HWND from = TopLevelChild(active, GetFocus());
  HWND next = GetNextDlgTabItem(active, from, backwards);
  if (next) SetFocus(next);
  return true;
}

// The command of the keyboard shortcut that a key-down message presses, or
// -1. The shortcuts are matched here rather than by TranslateAcceleratorW,
// which first looks the command up in the window's system menu: there the
// separators carry id 0, so the Enter shortcut (command 0) would be taken
// for a disabled system-menu item and swallowed.
int ShortcutCommand(HACCEL table, const MSG& msg) {
  if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN) return -1;
  const int count = CopyAcceleratorTableW(table, nullptr, 0);
  if (count <= 0) return -1;
  std::vector<ACCEL> entries(static_cast<size_t>(count));
  CopyAcceleratorTableW(table, entries.data(), count);
  BYTE modifiers = 0;
  if (GetKeyState(VK_SHIFT) & 0x8000) modifiers |= FSHIFT;
  if (GetKeyState(VK_CONTROL) & 0x8000) modifiers |= FCONTROL;
  if (GetKeyState(VK_MENU) & 0x8000) modifiers |= FALT;
  for (const ACCEL& entry : entries) {
    if ((entry.fVirt & FVIRTKEY) && entry.key == msg.wParam &&
        (entry.fVirt & (FSHIFT | FCONTROL | FALT)) == modifiers)
      return entry.cmd;
  }
  return -1;
}

// Esc in a combo box whose list is dropped down closes that list, not the
// window.
bool ClosesDroppedList(const MSG& msg) {
  if (msg.message != WM_KEYDOWN || msg.wParam != VK_ESCAPE) return false;
  for (HWND control = GetFocus(); control; control = GetParent(control)) {
    wchar_t name[16] = {};
    GetClassNameW(control, name, 16);
    if (lstrcmpiW(name, L"ComboBox") == 0) return SendMessageW(control, CB_GETDROPPEDSTATE, 0, 0);
    if (!(GetWindowLongW(control, GWL_STYLE) & WS_CHILD)) break;
  }
  return false;
}

// Enter for a focused control that asks for it (its WM_GETDLGCODE answers
// DLGC_WANTMESSAGE, as the links and the image buttons do): it presses that
// control and is no shortcut of the window.
bool FocusWantsEnter(const MSG& msg) {
  if (msg.message != WM_KEYDOWN || msg.wParam != VK_RETURN) return false;
  HWND focus = GetFocus();
  return focus && focus == msg.hwnd &&
         (SendMessageW(focus, WM_GETDLGCODE, msg.wParam, reinterpret_cast<LPARAM>(&msg)) &
          DLGC_WANTMESSAGE) != 0;
}

void HandleMessage(MSG& msg) {
  // The shortcuts of the program window that the message is for (not of the
  // window that counts as active, which under Wine can differ from the one
  // whose keys arrive).
  HWND top = msg.hwnd ? GetAncestor(msg.hwnd, GA_ROOT) : nullptr;
  const bool for_own = top && IsOwnWindow(top) && IsWindowEnabled(top) &&
                       !ClosesDroppedList(msg) && !FocusTakesKey(msg) &&
                       !FocusWantsEnter(msg);
  if (for_own) {
    // Enter on a button, check box or link is that control's, before any
    // shortcut: only the list and the Insert button insert.
    if (PressFocusedControl(msg) || HandleCloseKey(msg)) return;
    TurnOptionArrow(msg);
    if (HACCEL table = AcceleratorsOf(top)) {
      const int command = ShortcutCommand(table, msg);
      if (command >= 0) {
        // As a shortcut's WM_COMMAND: notification 1, no control.
        SendMessageW(top, WM_COMMAND, MAKEWPARAM(command, 1), 0);
        return;
      }
    }
    if (HandleTab(msg, top)) return;
    if (HandleMnemonic(msg)) return;
  }
  TranslateMessage(&msg);
  DispatchMessageW(&msg);
  FollowDefaultButton();
}

}  // namespace

LoopState& Loop() {
  static LoopState state;
  return state;
}

void ShowMainWindow() {
  HWND main = App().main_window;
  if (!main) return;
  RememberPreviousWindow();
  ShowInCurrentState();
  MarkShown();
  if (IsWindowVisible(main)) ShowWindow(main, SW_RESTORE);
  // While the New, Edit or Settings window is open the main window is
  // disabled: that window comes to the front, so that the main window's
  // shortcuts cannot act behind it.
  HWND front = main;
  if (!IsWindowEnabled(main)) {
    HWND popup = GetLastActivePopup(main);
    if (popup && IsWindowVisible(popup) && IsWindowEnabled(popup)) front = popup;
  }
  // A window that still counts as foreground (it was hidden with nothing
  // activated after it, or Wine never saw the other program come to the
  // front) gets no activation, and so no focus change either: the window
  // system then may leave the keyboard with the other program. Its focus is
  // set again, which also moves the keyboard (under Wine, X's input focus
  // follows only a change of focus).
  const bool was_foreground = GetForegroundWindow() == front;
  SetForegroundWindow(front);
  if (was_foreground) {
    HWND focus = GetFocus();
    if (!focus || (focus != front && !IsChild(front, focus)))
      focus = front == main ? MainControl(kCtlList) : nullptr;
    if (focus) {
      SetFocus(nullptr);
      SetFocus(focus);
    }
  }
}

void HideMainWindow() {
  HWND main = App().main_window;
  if (main) ShowWindow(main, SW_HIDE);
  EnableTrayMenuItem(kCmdShow, true);
  EnableTrayMenuItem(kCmdHide, false);
}

void RereadIfChanged() {
  AppState& app = App();
  const RereadDecision decision = CheckCharacterFile(app.character_path, app.file_stamp, app.table);
  // Stored in every case, so that a failed reread is reported once.
  app.file_stamp = decision.stamp;
  switch (decision.action) {
    case RereadAction::Unchanged:
      SetStatusText(InfoStatusText());
      break;
    case RereadAction::Reread:
      // The rows are rebuilt already, with row 0 current.
      // The rebuilt list's selection is the program's, not the user's: it
      // must not take the reread message away at once.
      g_program_selecting = true;
      FillMainList();
      SelectListRow(app.table.CurrentRow());
      g_program_selecting = false;
      SetStatusText(Tr(u"WinMain", u"StatusReread"));
      Announce(Tr(u"WinMain", u"StatusReread"), Politeness::Polite);
      Loop().TransientStatus = true;
      app.character_file_unreadable = false;
      break;
    case RereadAction::Failed:
      // The table shown is no longer the file's: the next change keeps the
      // file aside before it writes.
      app.character_file_unreadable = true;
      ShowMessage(ReadErrorMessage(app.language, app.character_path, decision.problem, false),
                  MB_ICONERROR);
      break;
  }
}

void DispatchEvent(const Event& event) {
  switch (event.window) {
    case EditEntryWindow:
      DispatchEditEntryWindow(event);
      break;
    case NewEntryWindow:
      DispatchNewEntryWindow(event);
      break;
    case AboutWindow:
      DispatchAboutWindow(event);
      break;
    case SettingsWindow:
      DispatchSettingsWindow(event);
      break;
    case FindEntryWindow:
      DispatchFindWindow(event);
      break;
    default:
      DispatchMainWindow(event);
      break;
  }
}

bool RunLoopStep(bool wait) {
  Event event;
  if (TakeEvent(event)) {
    DispatchEvent(event);
    return true;
  }
  MSG msg;
  // Idle: nothing waits, not even drawing, so closed windows can go now.
  if (HaveRetiredWindows() && !PeekMessageW(&msg, nullptr, 0, 0, PM_NOREMOVE))
    return DestroyRetiredWindows();
  if (wait) {
    const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0) ExitProgram();  // WM_QUIT: nobody posts it; end cleanly
    if (got < 0) return true;
  } else if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
    return false;
  } else if (msg.message == WM_QUIT) {
    ExitProgram();
  }
  HandleMessage(msg);
  return true;
}

void RunEventLoop() {
  for (;;) RunLoopStep(true);
}

}  // namespace gw
