// The global hotkey's registration (id 1 of the main window).
#pragma once
#include "settings/settings.h"

namespace gw {

// Registers `combination` as the program's hotkey, silently, in place of the
// one registered before. False for no
// key, a combination the program does not take, or a key another program
// holds. The one place where the hotkey is registered: it may be called
// again at any time (after UnregisterProgramHotkey) with any combination.
bool RegisterProgramHotkey(KeyCombination combination);
// Releases the hotkey; nothing happens when none is registered.
void UnregisterProgramHotkey();

// Registers the hotkey that the settings name and sets the tray's tooltip
// ("Glyphwell (F10)"); a key that cannot be registered is reported, and the
// tooltip keeps its text. True when it is registered or none is set.
bool ApplyHotkey(const Settings& settings);

}  // namespace gw
