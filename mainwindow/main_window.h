// The main window's pieces, as the event loop and the other windows use them.
// Built once by CreateMainWindow; the window procedure itself turns messages
// into events (app/event_queue.h).
#pragma once
#include <windows.h>

#include "app/text.h"

namespace gw {

// Builds the window, its controls, fonts, images, menus and shortcuts, and
// shows it. Ends the process when the window cannot be created.
void CreateMainWindow();

// The child control with the given id (0 to 7), or nullptr.
HWND MainControl(int id);
HMENU MainMenuHandle();
HMENU TrayMenuHandle();
HACCEL MainAccelerators();
HFONT MessageFontHandle();
HFONT BoldMessageFont();

void SetStatusText(const Text& text);
void SetCharMapLinkText(const Text& text);
void SetCharMapLinkTooltip(const Text& text);  // empty: no tooltip
// Every caption, tooltip, column header, menu text and the status text again
// from the language table (after a language change).
void RelabelMainWindow();

// Tray icon; its notifications arrive as this message at the main window.
inline constexpr UINT kTrayCallbackMessage = WM_APP + 1;
void AddTrayIcon(HICON icon);
void SetTrayTip(const Text& tip);
void RemoveTrayIcon();
// Re-adds the icon after the taskbar was re-created.
void ReAddTrayIcon();
void EnableTrayMenuItem(int command, bool enabled);

// Popup menus: make the main window the foreground window, then track the menu.
void ShowMainMenuAt(POINT screen_point);
void ShowTrayMenuAt(POINT screen_point);

// The list view mirrors the rows of App().table.
void FillMainList();                 // all rows again (batched, no flicker)
void InsertListRow(int row);         // after the table gained row `row`
void RemoveListRow(int row);         // after the table lost row `row`
void UpdateListRow(int row);         // after row `row` changed
void SelectListRow(int row);         // clear the selection, select, focus and show row; -1: none

}  // namespace gw
