// Start with Windows: the program's one command-line switch and its one
// registry value. When "Run at startup" is checked, the value "Glyphwell" of
// HKCU\Software\Microsoft\Windows\CurrentVersion\Run holds the quoted path of
// the running program followed by the switch, and Windows starts it hidden in
// the tray at every sign-in. The decisions are here; reading and writing the
// value is in commands/run_at_startup_win32.cpp.
#pragma once
#include "base/text.h"

namespace gw {

// The switch: start exactly as usual, but leave the main window hidden in the
// tray until the hotkey (or the tray icon) brings it up.
inline constexpr char16_t kTraySwitch[] = u"/tray";

// The registry value the program manages, below HKEY_CURRENT_USER.
inline constexpr char16_t kRunKey[] = u"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr char16_t kRunValueName[] = u"Glyphwell";

// The value's command line for the program at `exe_path`: "<path>" /tray.
Text RunAtStartupCommand(TextView exe_path);

// True when the command line `value` starts the program at `exe_path`: its
// program part (between the quotes, or up to the first blank when it is not
// quoted) names that file, in any letter case.
bool RunValueNamesProgram(TextView value, TextView exe_path);

// True when the program's whole command line (as GetCommandLineW gives it,
// the program's own name first) holds the switch as one of its arguments,
// in any letter case. Every other argument is ignored.
bool HasTraySwitch(TextView command_line);

}  // namespace gw
