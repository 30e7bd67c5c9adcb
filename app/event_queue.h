// The event queue of the GUI thread and the window procedures that feed it.
#pragma once
#include <windows.h>

#include "base/events.h"

namespace gw {

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

// Window procedure of the main window class.
LRESULT CALLBACK MainWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
// The main list's trigger-key filter; CreateMainWindow subclasses the list
// with it and stores the list's own procedure here.
LRESULT CALLBACK TriggerKeyFilter(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
extern WNDPROC g_list_procedure;

// The loop; never returns.
[[noreturn]] void RunEventLoop();

}  // namespace gw
