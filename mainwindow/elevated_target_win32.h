// The Win32 side of typing into a window of a higher integrity level: the
// readings of the two processes' tokens and the note to the user
// (elevated_target_win32.cpp). The decision is in elevated_target.h.
#pragma once
#include <cstdint>
#include <functional>

#include <windows.h>

#include "mainwindow/accessibility.h"
#include "mainwindow/elevated_target.h"

namespace gw {

// The readings for the process that owns `window`, the window that was just
// handed the keyboard.
IntegrityReadings ReadWindowIntegrity(HWND window);

// Tells the user, with a balloon of the tray icon (a message box when there
// is no tray icon), that the window in front runs as administrator and that
// the characters are on the clipboard for Ctrl+V, or, when `copied` is false,
// that another program held the clipboard and nothing was copied.
// The warning sound plays either way, and a screen reader is told at once.
// When Windows would not show the balloon now (full screen, presentation,
// quiet time, ...), the note is a message box, which cannot be missed.
void TellTextIsOnClipboard(bool copied);

// Test seam: when set, it tells whether notifications are shown now,
// instead of SHQueryUserNotificationState.
using NotificationStateReader = std::function<NotificationState()>;
void SetNotificationStateReaderForTesting(NotificationStateReader reader);

// Test seam: when set, it gives the readings for the target process (its
// id) instead of the system.
using IntegrityReader = std::function<IntegrityReadings(std::uint32_t process_id)>;
void SetIntegrityReaderForTesting(IntegrityReader reader);

}  // namespace gw
