// The event loop's own state and the operations around it that start-up and
// the loop's handlers use: the flags of the loop, the main window's message
// filter, the dispatch of one event and the main window's show/hide
// behaviour.
#pragma once
#include <windows.h>

#include "base/events.h"
#include "base/text.h"

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

// Lets WM_HOTKEY and the closing of MainMenu become events.
void InstallMainWindowFilter();

// Messages of the main window that are no events (painting, colours,
// custom draw, cursors, ...) go to this procedure when it is set, otherwise
// to DefWindowProcW. It must end in DefWindowProcW for what it does not
// handle.
extern WNDPROC g_main_window_painting;

// One step of the loop: dispatch the oldest queued event, or else take one
// window message (waiting for it when `wait` is set), run it through the
// active window's shortcuts, Tab handling and the window procedures. Returns
// false only when `wait` is not set and there was nothing to do.
bool RunLoopStep(bool wait);

// Dispatches one event by window number, kind and id.
void DispatchEvent(const Event& event);

// The loop; never returns.
[[noreturn]] void RunEventLoop();

// Shows, restores and activates the main window (hotkey, tray click, Show).
void ShowMainWindow();
// Hides the main window into the tray.
void HideMainWindow();

// Rereads the character file when another program changed it (main window
// activation).
void RereadIfChanged();

}  // namespace gw
