// The main window's pieces, as the event loop and the other windows use them.
// Built once by CreateMainWindow; the window procedure that start-up hands it
// turns messages into events (base/event_queue.h).
#pragma once
#include <windows.h>

#include <cstddef>
#include <functional>
#include <vector>

#include "base/text.h"

namespace gw {

// The main window's class; with the window title it names the window of a
// running copy of this version.
inline constexpr wchar_t kMainWindowClass[] = L"GlyphwellMain";

// Builds the window, its controls, fonts, images, menus and shortcuts, and
// shows it. The window class gets `window_procedure`; the list is subclassed
// with `list_filter`, its own procedure kept in g_list_procedure. False, after
// telling the user, when the window cannot be created.
bool CreateMainWindow(WNDPROC window_procedure, WNDPROC list_filter);
// The procedure the list's filters hand the messages on to.
extern WNDPROC g_list_procedure;

// Minimises the main window; the Minimize event that follows hides it.
void MinimizeMainWindow();
// Starts main-window timer `id` (0: update retry, 1: status text after a
// copy, 2: tray icon retry); a running one is removed first, with its queued
// Timer events.
void StartMainTimer(int id, UINT milliseconds);
// The status bar's info text.
Text InfoStatusText();
// Makes the row selected in the main list the table's current row (none when
// nothing is selected); the commands that act on the current row call it.
void FollowListSelection();

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
// Tray events from the keyboard (besides the mouse's 0 to 3 and the
// balloon's 4 and 5): Enter or Space on the icon shows the window; Shift+F10 or the menu key opens TrayMenu at
// the icon, whose position the event's key holds (x low, y high, 16 bits).
inline constexpr int kTrayKeySelect = 6;
inline constexpr int kTrayKeyMenu = 7;
// Adds the icon; when the shell cannot take it yet (Explorer still starting
// at logon), timer 2 of the main window tries again until it can.
void AddTrayIcon(HICON icon);
// Timer 2: one more try; the timer stops once the icon is there.
void RetryTrayIcon();
void SetTrayTip(const Text& tip);
// Removes the icon, also after an add that reported failure.
void RemoveTrayIcon();
// Re-adds the icon after the taskbar was re-created.
void ReAddTrayIcon();
void EnableTrayMenuItem(int command, bool enabled);
// Shows a note in a balloon of the tray icon (a warning, or information);
// false when there is no tray icon to show it.
bool ShowTrayBalloon(const Text& title, const Text& text, bool warning = true);
// Test hook: when set, it receives the balloon's title and text instead of
// the system, tray icon or not.
using TrayBalloonHook = std::function<void(const Text& title, const Text& text)>;
void SetTrayBalloonHookForTesting(TrayBalloonHook hook);
// Test hook: when set, it is called instead of Shell_NotifyIconW with the
// message (NIM_ADD, ...) and the data's uFlags, and its result is returned.
using TrayCallHook = std::function<bool(unsigned message, unsigned flags)>;
void SetTrayCallHookForTesting(TrayCallHook hook);

// Popup menus: make the main window the foreground window, then track the menu.
void ShowMainMenuAt(POINT screen_point);
void ShowTrayMenuAt(POINT screen_point);

// The list view mirrors the rows of App().table.
void FillMainList();                 // all rows again (batched, no flicker)
void InsertListRow(int row);         // after the table gained row `row`
void RemoveListRow(int row);         // after the table lost row `row`
void UpdateListRow(int row);         // after row `row` changed
void SelectListRow(int row);         // clear the selection, select, focus and show row; -1: none
// The list asks its parent for the texts of the rows it shows and for the row
// that typed text names. True (with the answer in *result) for those requests.
bool AnswerListNotification(const NMHDR& header, LRESULT* result);

// --- Pieces of the window, also used by the other windows ------------------

// A PNG image decoded to 8-bit RGBA with straight alpha, rows top to bottom.
struct PngImage {
  int width = 0;
  int height = 0;
  std::vector<unsigned char> rgba;  // width * height * 4 bytes
};
// Decodes PNG data; false (and an empty image) when it is no readable PNG.
bool DecodePng(const void* data, std::size_t size, PngImage& image);
// The bytes of an RCDATA resource of the program file; false when missing.
bool ResourceBytes(int resource_id, const void*& data, std::size_t& size);
// Decodes the PNG held in an RCDATA resource.
bool LoadPngResource(int resource_id, PngImage& image);
// A 32-bit top-down DIB section of width x height pixels and its pixels
// (`bits`, 4 bytes each: blue, green, red, alpha); nullptr on failure.
HBITMAP CreatePixelBitmap(int width, int height, void*& bits);
// A 32-bit top-down DIB section with premultiplied alpha holding the image
// scaled (area average) to width x height pixels; nullptr on failure.
HBITMAP CreateAlphaBitmap(const PngImage& image, int width, int height);

// Creates image button `id` at (x, 10) with the PNG drawn on it once.
HWND MakeImageButton(int id, int x, const void* png, std::size_t size);
// Creates the character-map link (control 0) showing `text`, as wide as
// SetCharMapLinkText makes it.
HWND CreateCharMapLink(const Text& text);
// The width in layout units that a link needs to show `text` whole: the
// text's width in the link font plus 4 pixels, for the focus rectangle.
int LinkWidthFor(const Text& text);
// Creates a link (the same kind as the character-map link) as control `id`
// of the program window `parent`, whose number is `window`; position and size
// in layout units. Clicks and Space become Control events (click) of `window`.
HWND CreateLinkControl(HWND parent, int window, int id, const Text& text, int x, int y, int w,
                       int h);
// Creates MainMenu and TrayMenu with their items and images, and sets their
// texts again from the language table.
void CreateMainMenus();
void RelabelMainMenus();
// Sets the check marks of MainMenu from the state they show (Run at startup).
void UpdateMainMenuChecks();
// The main window's keyboard shortcuts (made once).
void CreateMainAccelerators();
// The system message font: face name and size in points (empty and 0 when the
// metrics cannot be read).
void GetMessageFont(Text& face, int& points);
// The program's fonts made anew from the system's message font (the ones
// before stay until the next time, for FontForControl).
void RecreateProgramFonts();
// The new font for a control: bold, list or link font when it had the one
// before, else the message font.
HFONT FontForControl(HWND control);
// The link font (underlined message font), made at the first use.
HFONT LinkFont();
// Lets go of the link font, so that the next LinkFont makes it anew; returns
// the one it had (still selected into the links until they get the new one).
HFONT ForgetLinkFont();
// The tooltip text of a main window control (0 to 4); empty for none.
Text MainControlTooltip(int id);
// The tooltip window of the main window's controls (not owned by it).
HWND MainTooltipWindow();
// Sets (non-empty) or removes (empty) the tooltip of a main window control.
void SetMainControlTooltip(int id, const Text& text);

}  // namespace gw
