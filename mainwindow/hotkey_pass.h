// The hotkey left to programs whose rule says PassHotkey: while such a
// program is in front the hotkey is not registered, so that the key reaches
// it. The program in front is followed through the system's foreground
// events (an out-of-context event hook): no keyboard hook, no timer, no
// polling, nothing running between two changes of the window in front.
#pragma once

namespace gw {

// Installs the foreground hook when a rule passes the hotkey and a hotkey is
// set, removes it otherwise, and applies the rule of the window in front now.
// Called at start-up, after the Settings window changed the rules or the
// hotkey.
void FollowProgramsInFront();

// Registers the hotkey again when it is left to the program in front, so
// that a change of the hotkey starts from the registered key.
void TakeHotkeyBack();

// The hotkey arrived while a program whose rule passes it is in front (the
// system sent no foreground event for it, as Wine does not): the key is
// handed on to that program, the hotkey kept registered. False when the key
// is Glyphwell's.
bool PassHotkeyToProgramInFront();

// Whether the hotkey is left to the program in front now.
bool HotkeyPassedThrough();

// Whether the foreground hook is installed.
bool FollowingProgramsInFront();

}  // namespace gw
