// The event loop's own state and the operations around it that other parts
// of the program call: turning window messages into events, the keyboard
// shortcuts of secondary windows, the main window's show/hide behaviour, the
// timers and the dispatch of one event.
#pragma once
#include <windows.h>

#include <cstddef>

#include "base/events.h"
#include "base/text.h"
#include "table/entry_input.h"

namespace gw {

// Flags the loop holds for the whole run. Only the loop's handlers change
// them; the filters read TriggerFound/TriggerRow right after setting them.
struct LoopState {
  // A command was started from the main window since its last activation;
  // decides where the focus goes when the main window is activated again.
  bool CommandPending = false;
  // TrayMenu was opened; the next deactivation hides a minimised window.
  bool TrayMenuShown = false;
  // The status bar shows the reread message; the next focus or selection
  // change brings back the info text.
  bool TransientStatus = false;
  // Set by the trigger-key filter before it posts a TriggerKey event.
  bool TriggerFound = false;
  int TriggerRow = -1;
  Text TriggerTyped;  // the character typed
};
LoopState& Loop();

// --- Start-up --------------------------------------------------------------------

// Lets the main window's erase-background handling run the focus tracker.
void InstallFocusTracker();
// Lets WM_HOTKEY and the closing of MainMenu become events.
void InstallMainWindowFilter();

// --- Window messages into events -----------------------------------------------------

// Turns one message of a program window (window number 0 to 4) into events:
// WM_COMMAND (controls, menus, shortcuts), WM_NOTIFY of list views,
// WM_ACTIVATE (with the window's focus memory), WM_SIZE minimised, WM_TIMER,
// WM_CLOSE and WM_ERASEBKGND (focus tracker). Returns true when the message
// is used up and `*result` is its answer; false when the caller goes on with
// its own or the default handling. The secondary windows' procedures call it
// with their own number.
bool TranslateWindowMessage(int window, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp,
                            LRESULT* result);

// Closes a secondary window (one made by CreateSecondaryFrame) in two steps.
// It is hidden at once, which hands the activation on just as destroying it
// would, and from then on its messages are no events. It is destroyed when
// the program is next idle, after the windows that it uncovered have been
// drawn again: destroying a window with its controls takes milliseconds
// (about 5 ms under Wine) that the user need not wait for.
void RetireWindow(HWND hwnd);
// Destroys the retired windows; false when there were none.
bool DestroyRetiredWindows();
bool HaveRetiredWindows();

// Messages of the main window that are no events (painting, colours,
// custom draw, cursors, ...) go to this procedure when it is set, otherwise
// to DefWindowProcW. The main window's construction may set it for the look
// of its controls; it must end in DefWindowProcW for what it does not handle.
extern WNDPROC g_main_window_painting;

// The focus tracker: compares the control that has the focus with the one it
// saw last time and posts FocusLost/FocusGained for check boxes, combo boxes
// and list views, with `window` as the window number.
void RunFocusTracker(int window);

// Keyboard shortcuts of a secondary window, used while it is the active
// window; removed again when it closes. The loop matches the table's
// virtual-key entries (FVIRTKEY with FSHIFT/FCONTROL/FALT) and sends the
// window a WM_COMMAND with the entry's command, notification 1 and no
// control, which its procedure turns into a Command event.
void SetWindowAccelerators(HWND window, HACCEL table);
void RemoveWindowAccelerators(HWND window);

// --- The loop ----------------------------------------------------------------------------

// One step of the loop: dispatch the oldest queued event, or else take one
// window message (waiting for it when `wait` is set), run it through the
// active window's shortcuts, Tab handling and the window procedures. Returns
// false only when `wait` is not set and there was nothing to do.
bool RunLoopStep(bool wait);

// Dispatches one event by window number, kind and id.
void DispatchEvent(const Event& event);

// --- Queue inspection (the loop and tests) -----------------------------------------

// Takes the oldest queued event; false when the queue is empty.
bool TakeEvent(Event& event);
std::size_t QueuedEventCount();
// The queued event at `index` (0 = oldest); only valid below QueuedEventCount().
const Event& QueuedEvent(std::size_t index);
void ClearEventQueue();
// Removes queued Timer events of a main-window timer.
void RemoveQueuedTimerEvents(int timer_id);

// --- Main window behaviour ----------------------------------------------------------

// Shows, restores and activates the main window (hotkey, tray click, Show).
void ShowMainWindow();
// Hides the main window into the tray.
void HideMainWindow();
// Minimises the main window; the Minimize event that follows hides it.
void MinimizeMainWindow();

// Starts main-window timer `id` (0: update retry, 1: status text after a
// copy, 2: tray icon retry); a running one is removed first, with its queued
// Timer events.
void StartMainTimer(int id, UINT milliseconds);

// Rereads the character file when another program changed it (main window
// activation).
void RereadIfChanged();

// The status bar's info text.
Text InfoStatusText();

// Makes the row selected in the main list the table's current row (none when
// nothing is selected); the commands that act on the current row call it.
void FollowListSelection();

// True for windows of this process.
bool IsOwnWindow(HWND hwnd);

// --- List editing and the entry editors ----------------------------------------------

// Control ids of the Edit entry window (1).
enum EditEntryControl : int {
  kEditCodeLabel = 42,
  kEditCodeField = 43,
  kEditTriggerLabel = 44,
  kEditTriggerField = 45,
  kEditCommentLabel = 46,
  kEditCommentField = 47,
  kEditOk = 48,
  kEditCancel = 49,
};

// Control ids of the New entry window (2).
enum NewEntryControl : int {
  kNewAddLabel = 30,
  kNewCurrentLabel = 31,
  kNewAbove = 32,
  kNewBelow = 33,
  kNewCodeLabel = 34,
  kNewCodeField = 35,
  kNewTriggerLabel = 36,
  kNewTriggerField = 37,
  kNewCommentLabel = 38,
  kNewCommentField = 39,
  kNewOk = 40,
  kNewCancel = 41,
};

// Main window commands: each sets LastFocusedControl to its button (Delete,
// Edit, New) and acts on the row selected in the list.
void DeleteSelectedEntry();       // asks, writes the file without the row, removes it
void MoveSelectedRow(int delta);  // -1 up, +1 down; undone when the write fails
void OpenEditEntryWindow();       // for the current row; nothing without one
void OpenNewEntryWindow();

// Opens the Edit window for row `row` (-1: nothing) and the New window.
// When a window cannot be created the "ErrOpen" message names it.
void OpenEditEntryWindowFor(int row);
void OpenNewEntryWindowNow();

// OK of the two editors; true when the character file was written (the
// caller then stores its FileStamp). A rejected entry leaves the window open.
bool ApplyEditEntry(const Text& path);
bool ApplyNewEntry(const Text& path);

// Closes secondary window `window` (1 to 4): removes its shortcuts, enables
// the main window, destroys the window and gives the focus back to
// LastFocusedControl. Nothing is written.
void CloseEntryWindow(int window);

// The open secondary window with that number, or nullptr; a control of it.
HWND EntryWindowHandle(int window);
HWND EntryControl(int window, int id);
// Lets another secondary window (About, Settings) be closed by
// CloseEntryWindow; `shortcuts` is registered now and destroyed on closing.
void SetSecondaryWindow(int window, HWND hwnd, HACCEL shortcuts);

// Creates secondary window `number` (invisible) with the given client size
// in layout units, caption only, centred over the main window and owned by
// it. Its messages become events of window `number`.
HWND CreateSecondaryFrame(int number, const Text& title, int client_w, int client_h);
// The shortcuts of a secondary window: Alt + the mnemonic of OK (12), of
// Cancel when it exists and differs (11), Return (10), Esc (11, Cancel), and
// with `arrows` Up (8) and Down (9).
HACCEL MakeEntryShortcuts(bool arrows);

// Above or Below, as the last OK of the New window that got past the Code
// check left it; Above at program start.
EntryPosition& NewEntryPosition();

// Set while the program itself rebuilds or selects rows of the main list, so
// that the selection changes this causes are not taken for the user's.
extern bool g_program_selecting;

}  // namespace gw
