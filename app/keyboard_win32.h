// The keyboard rules that the program's windows share, as a dialog box would
// apply them: Enter on a focused control that acts by itself, mnemonics, and
// the default button's ring following the focus.
#pragma once
#include <windows.h>

namespace gw {

// Enter (with or without Shift) on a focused push button, check box or link
// presses that control (BM_CLICK), whatever its window's shortcuts say; true
// when the key was used so. The control's kind comes from its WM_GETDLGCODE
// answer, not from the way it is drawn.
bool PressFocusedControl(const MSG& msg);

// A key that the focused control takes before every shortcut and mnemonic:
// any key but Tab, Enter and Esc in a hotkey field, which records the keys
// pressed in it.
bool FocusTakesKey(const MSG& msg);

// Left and Right on a focused option (a radio button) are Up and Down, so
// that the window's own arrow rule moves through the option group either way;
// rewrites the message's key in place.
void TurnOptionArrow(MSG& msg);

// Alt+F4 in a program window is its close command (SC_CLOSE), whichever
// control has the focus (a combo box would otherwise take F4 for itself).
bool HandleCloseKey(const MSG& msg);

// True for a control that Enter presses: it answers WM_GETDLGCODE with a
// push button's code, or as a check box (DLGC_BUTTON without the option
// code).
bool EnterPressesControl(HWND control);

// Alt + a letter (WM_SYSCHAR) in a program window: the control whose caption
// has that mnemonic acts as in a dialog box: a label or group box gives the
// focus to the next control in Tab order, a push button is pressed, a check
// box is focused and toggled, an option is focused and chosen. True when a
// control had the mnemonic.
bool HandleMnemonic(const MSG& msg);

// The window's focused push button shows the default ring; when the focus is
// on no push button, the window's own default button (BS_DEFPUSHBUTTON when
// the window was first seen) has it again. Cheap when the focus did not move.
void FollowDefaultButton();

}  // namespace gw
