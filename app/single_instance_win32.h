// One copy per character file (app/single_instance.h): the named mutex, the
// running copy's main window marked with the file's key, and the registered
// message on which that copy shows itself.
#pragma once
#include <windows.h>

#include "base/text.h"

namespace gw {

// Takes the mutex of the character file at `character_path` (called once the
// data folder is known and before any window shows); false when another copy
// holds it (it runs, or is starting).
bool ClaimSingleInstance(const Text& character_path);

// For a later copy: ends silently when it was started for the tray (the
// running copy is there already, at sign-in); otherwise finds the running
// copy's main window by its class and the file's key, waiting a few seconds
// while that copy is still starting, lets it take the foreground and posts it
// the message on which it shows itself, as the hotkey would. Never waits for
// the running copy to answer.
void HandOverToRunningInstance();

// For the running copy: marks `main_window` with the file's key and lets the
// message in from any copy (a copy of a lower integrity level included).
void ListenForLaterCopies(HWND main_window);

// The registered message; 0 before ClaimSingleInstance.
UINT ShowInstanceMessage();

}  // namespace gw
