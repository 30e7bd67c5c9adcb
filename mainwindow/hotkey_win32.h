// The global hotkey.
#pragma once

namespace gw {

// Registers the hotkey Fn (n > 0; none for n <= 0) and sets the tray tooltip.
bool ApplyHotkey(int n);
// Registers Fn as the hotkey, silently; false for a number that names no
// function key (outside 1 to 24) or a key another program holds.
bool RegisterFunctionKey(int n);

}  // namespace gw
