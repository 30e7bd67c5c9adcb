// Start with Windows: the program's one command-line switch and its one
// registry value. When "Run at startup" is checked, the value "Glyphwell" of
// HKCU\Software\Microsoft\Windows\CurrentVersion\Run holds the quoted path of
// the running program followed by the switch, and Windows starts it hidden in
// the tray at every sign-in. The decisions are here; reading and writing the
// value is in commands/run_at_startup_win32.cpp.
//
// Windows' own switches (Task Manager's Startup page, Settings > Apps >
// Startup) leave the Run value alone and keep an "off" beside it, below
// ...\Explorer\StartupApproved\Run; an administrator's installation may put
// the same command line below HKEY_LOCAL_MACHINE for every user.
#pragma once
#include <cstdint>
#include <vector>

#include "base/text.h"

namespace gw {

// The switch: start exactly as usual, but leave the main window hidden in the
// tray until the hotkey (or the tray icon) brings it up.
inline constexpr char16_t kTraySwitch[] = u"/tray";

// The registry value the program manages, below HKEY_CURRENT_USER.
inline constexpr char16_t kRunKey[] = u"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
inline constexpr char16_t kRunValueName[] = u"Glyphwell";
// Windows' switch for each Run value, a binary value of the same name: its
// first byte is even (2, 6) for an entry left on, odd (3, 7) for one turned
// off, followed by the time it was turned off. No value counts as on.
inline constexpr char16_t kStartupApprovedKey[] =
    u"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\StartupApproved\\Run";

// True when Windows' switch `approval` (the binary value's bytes; empty when
// there is none) has turned the entry off.
bool StartupApprovalIsOff(const std::vector<std::uint8_t>& approval);

// What the registry holds about this program at sign-in.
struct StartupReadings {
  bool user_value = false;     // HKCU's Run value names this program file
  std::vector<std::uint8_t> user_approval;     // HKCU's switch for it
  bool machine_value = false;  // HKLM's Run value names this program file
  std::vector<std::uint8_t> machine_approval;  // HKLM's switch for it
};

enum class RunAtStartupState {
  Off,
  On,             // the user's own value, not turned off by Windows' switch
  ByAdministrator,  // the machine's value, for every user: the item is checked and greyed
};

RunAtStartupState RunAtStartupStateOf(const StartupReadings& readings);

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
