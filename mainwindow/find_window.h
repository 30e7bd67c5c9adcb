// The Find window (window 5), the main window's Find commands, and the names
// of characters as the main window uses them: in Find and as the tooltip of
// the selected row's Characters cell.
#pragma once
#include <windows.h>

#include "base/events.h"
#include "table/character_names.h"

namespace gw {

// Control ids of the Find window.
enum FindControl : int {
  kFindLabel = 50,
  kFindField = 51,
  kFindPrevious = 52,
  kFindNext = 53,
  kFindOk = 54,
  kFindCancel = 55,
};

// Commands: 21 Find (Ctrl+F and the main menu), 22 find next (F3; Down in the
// Find window), 23 find previous (Shift+F3; Up in the Find window).
enum FindCommand : int {
  kCmdFind = 21,
  kCmdFindNext = 22,
  kCmdFindPrevious = 23,
};

// Opens the Find window over the main window (nothing while another
// secondary window is open). Its field holds the last text searched for.
void OpenFindWindow();
// F3 (+1) and Shift+F3 (-1) in the main window: the next or previous row
// that the last search text finds. Without one it opens the Find window
// and returns true.
bool FindAgain(int direction);
// Events of window 5.
void DispatchFindWindow(const Event& event);

// The names the program carries, read from its resources the first time they
// are asked for; empty when they are missing or damaged.
const CharacterNames& ProgramCharacterNames();
// Makes the name of the selected row's first character the tooltip of its
// Characters cell. Called once the main window and its tooltips exist.
void InstallCharacterTooltip();
// Whether the list's last input was a key rather than a mouse button (the
// selection moved by keyboard shows the character's name in the status bar).
bool ListInputWasKeyboard();

}  // namespace gw
