// Larger text and every DPI: the program's windows are per-monitor DPI aware
// (v2); their fonts come from the system's message font at the window's DPI,
// and their layout grows with that font when the user made text larger.
#pragma once
#include <windows.h>

namespace gw {

// The system's message font (NONCLIENTMETRICS lfMessageFont) at `dpi`, read
// with SystemParametersInfoForDpi where Windows has it.
LOGFONTW SystemMessageFont(int dpi);

// How much larger than the layout's own font the message font is, in
// percent (100: not larger). The layout's units are scaled by it besides the
// DPI, so that larger text keeps its room. Measured as the width of a sample
// text in the message font against the font the layout was made for
// (Tahoma 8 pt at the same DPI); below 110 % it counts as 100 %.
int TextScalePercent();

// Reads the message font again (at App()'s DPI), makes the program's fonts
// anew (message, bold, list), gives them to every control of every program
// window and lays the windows out again for the new text scale. For
// WM_SETTINGCHANGE and WM_DPICHANGED.
void RefreshFontsAndLayout();

// WM_DPICHANGED of a program window: the new DPI becomes the program's, the
// window takes the suggested rectangle and its controls their places and
// fonts at the new DPI.
void OnDpiChanged(HWND window, WPARAM wp, LPARAM lp);

}  // namespace gw
