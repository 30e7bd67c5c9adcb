// The colours the program draws with: all of them system colours, so that a
// high-contrast theme reaches every control; and what follows a change of
// the system colours or of the theme.
#pragma once
#include <windows.h>

#include <functional>

namespace gw {

// The system colour `index` (COLOR_...), or the test hook's answer.
COLORREF SystemColour(int index);
// Test hook: when set, it answers SystemColour instead of the system.
using SystemColourHook = std::function<COLORREF(int index)>;
void SetSystemColourHookForTesting(SystemColourHook hook);

// Sends WM_SYSCOLORCHANGE or WM_THEMECHANGED (`msg`) on to every child of
// `window`, which the system tells top-level windows only, and redraws them.
void ForwardColourChange(HWND window, UINT msg, WPARAM wp, LPARAM lp);

// The main window's look (g_main_window_painting): colour and theme changes,
// and the list's custom drawing, which keeps the selected row in the
// highlight colours while the list has no focus (Find selects rows there).
LRESULT CALLBACK MainWindowLook(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

// The Menu button's picture in the current colours: three bars of the button
// text colour on the button face; nullptr on failure.
HBITMAP MakeMenuPicture(int width, int height);

}  // namespace gw
