// The event queue of the GUI thread and the translation of window messages
// into events, with the bookkeeping around it that every window uses: the
// focus tracker, the keyboard shortcuts of secondary windows and the closing
// of windows in two steps.
#pragma once
#include <windows.h>

#include <cstddef>

#include "base/events.h"

namespace gw {

// --- The queue ------------------------------------------------------------------------

// Creates the queue's hidden wake-up window. Called once at start-up.
void InitEventQueue(HINSTANCE instance);

// Appends an event under the queue rule: an event equal to the last queued one
// in all four fields is dropped.
void QueueEvent(const Event& event);
// Appends an event always and wakes a loop that waits in GetMessageW.
void PostEvent(const Event& event);
// PostEvent for a worker thread: the event travels as a message to the
// queue's window and is appended on the GUI thread, even while a message box
// or a menu runs its own loop there. Its kind, window and object travel;
// type and key are 0. False when the message could not be posted.
bool PostEventFromThread(const Event& event);

// Takes the oldest queued event; false when the queue is empty.
bool TakeEvent(Event& event);
std::size_t QueuedEventCount();
// The queued event at `index` (0 = oldest); only valid below QueuedEventCount().
const Event& QueuedEvent(std::size_t index);
void ClearEventQueue();
// Removes queued Timer events of a main-window timer.
void RemoveQueuedTimerEvents(int timer_id);

// --- Window messages into events -----------------------------------------------------

// Lets the windows' erase-background handling run the focus tracker.
void InstallFocusTracker();

// Turns one message of a program window (window number 0 to 5) into events:
// WM_COMMAND (controls, menus, shortcuts), WM_NOTIFY of list views,
// WM_ACTIVATE (with the window's focus memory), WM_SIZE minimised, WM_TIMER,
// WM_CLOSE and WM_ERASEBKGND (focus tracker). Returns true when the message
// is used up and `*result` is its answer; false when the caller goes on with
// its own or the default handling. The secondary windows' procedures call it
// with their own number.
bool TranslateWindowMessage(int window, HWND hwnd, UINT msg, WPARAM wp, LPARAM lp,
                            LRESULT* result);

// Set while the program itself rebuilds or selects rows of the main list, so
// that the selection changes this causes are not taken for the user's.
extern bool g_program_selecting;

// The focus tracker: compares the control that has the focus with the one it
// saw last time and posts FocusLost/FocusGained for check boxes, combo boxes
// and list views, with `window` as the window number.
void RunFocusTracker(int window);

// True for windows of this process.
bool IsOwnWindow(HWND hwnd);

// --- Closing windows ---------------------------------------------------------------------

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

// --- Keyboard shortcuts of secondary windows ---------------------------------------------

// Used while the window is the active window; removed again when it closes.
// The loop matches the table's virtual-key entries (FVIRTKEY with
// FSHIFT/FCONTROL/FALT) and sends the window a WM_COMMAND with the entry's
// command, notification 1 and no control, which its procedure turns into a
// Command event.
void SetWindowAccelerators(HWND window, HACCEL table);
void RemoveWindowAccelerators(HWND window);
// The shortcuts set for `window`, or nullptr.
HACCEL WindowAccelerators(HWND window);

}  // namespace gw
