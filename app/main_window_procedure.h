// The procedures of the main window and its list, which turn their messages
// into events of the queue (base/event_queue.h).
#pragma once
#include <windows.h>

namespace gw {

// Window procedure of the main window class; start-up hands it to
// CreateMainWindow.
LRESULT CALLBACK MainWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
// The main list's trigger-key filter; CreateMainWindow subclasses the list
// with it and stores the list's own procedure in g_list_procedure.
LRESULT CALLBACK TriggerKeyFilter(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

}  // namespace gw
