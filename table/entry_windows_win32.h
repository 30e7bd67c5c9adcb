// The main window's list-editing commands, the two entry editors (Edit and
// New) and the secondary windows' frame, shortcuts and closing, which the
// About, Settings and Find windows use too.
#pragma once
#include <windows.h>

#include "base/text.h"
#include "table/entry_input.h"

namespace gw {

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

}  // namespace gw
