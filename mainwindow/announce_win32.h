// Announcements: texts that a screen reader speaks without the focus moving,
// through UI Automation notifications where the system has them and through
// a live region otherwise. And the status bar's messages, which are
// announced and stay as long as the system's message duration.
#pragma once
#include <windows.h>

#include <functional>

#include "base/text.h"
#include "mainwindow/accessibility.h"

namespace gw {

// Speaks `text` (nothing for an empty one).
void Announce(const Text& text, Politeness politeness);

// Test hook: when set, it receives every announcement instead of the system.
using AnnounceHook = std::function<void(const Text& text, Politeness politeness)>;
void SetAnnounceHookForTesting(AnnounceHook hook);

// The live region of `window`, a child without size that holds the last
// announcement made while that window was active; nullptr before the first.
HWND LiveRegionOf(HWND window);

// How long a status message stays, from the system's message duration.
unsigned StatusMessageDurationMs();

// Shows a message in the status bar, announces it, and brings the info text
// back after the message duration (timer 1 of the main window).
void ShowStatusMessage(const Text& text, Politeness politeness);

// How row `row` of the table is read: comment, characters, their names and
// the trigger, or "no trigger".
Text RowAccessibleText(int row);

// Find's result: the status text (how many rows match) and the row it
// selected (-1: none), read as the list reads it.
void AnnounceFindResult(const Text& status, int row);

// The name of the first character of row `row` in the status bar, after the
// selection moved by keyboard; the info text for a row without a name.
void ShowCharacterNameInStatus(int row);

}  // namespace gw
