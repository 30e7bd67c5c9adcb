// Start with Windows: reads and writes the program's registry value,
// HKCU\Software\Microsoft\Windows\CurrentVersion\Run "Glyphwell", with
// Windows' own switch beside it, and reads the administrator's value below
// HKEY_LOCAL_MACHINE.
#include <windows.h>

#include "base/message_box.h"
#include "commands/commands_win32.h"
#include "commands/run_at_startup.h"
#include "mainwindow/app_state_win32.h"

namespace gw {

namespace {

const wchar_t* Wide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }

// The value `name` of `key` below `root` as text, or false when there is none
// (or it is no text).
bool ReadText(HKEY root, const char16_t* key, const char16_t* name, Text& value) {
  DWORD bytes = 0;
  // A REG_EXPAND_SZ value comes expanded, as REG_SZ.
  const DWORD flags = RRF_RT_REG_SZ;
  if (RegGetValueW(root, Wide(key), Wide(name), flags, nullptr, nullptr, &bytes) != ERROR_SUCCESS)
    return false;
  std::u16string buffer(bytes / sizeof(char16_t) + 1, u'\0');
  bytes = static_cast<DWORD>(buffer.size() * sizeof(char16_t));
  if (RegGetValueW(root, Wide(key), Wide(name), flags, nullptr, buffer.data(), &bytes) !=
      ERROR_SUCCESS)
    return false;
  buffer.resize(bytes / sizeof(char16_t));
  while (!buffer.empty() && buffer.back() == u'\0') buffer.pop_back();
  value = buffer;
  return true;
}

// Windows' switch for the program's entry below `root`; empty when there is none.
std::vector<std::uint8_t> ReadApproval(HKEY root) {
  std::vector<std::uint8_t> bytes(64);
  DWORD size = static_cast<DWORD>(bytes.size());
  if (RegGetValueW(root, Wide(kStartupApprovedKey), Wide(kRunValueName), RRF_RT_REG_BINARY,
                   nullptr, bytes.data(), &size) != ERROR_SUCCESS)
    return {};
  bytes.resize(size);
  return bytes;
}

bool NamesThisProgram(HKEY root) {
  Text value;
  return ReadText(root, kRunKey, kRunValueName, value) &&
         RunValueNamesProgram(value, App().exe_path);
}

bool DeleteValue(const char16_t* key) {
  const LSTATUS status = RegDeleteKeyValueW(HKEY_CURRENT_USER, Wide(key), Wide(kRunValueName));
  return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

}  // namespace

RunAtStartupState CurrentRunAtStartupState() {
  StartupReadings readings;
  readings.user_value = NamesThisProgram(HKEY_CURRENT_USER);
  if (readings.user_value) readings.user_approval = ReadApproval(HKEY_CURRENT_USER);
  // A 64-bit program sees the machine's 64-bit Run key, which is where the
  // installer writes.
  readings.machine_value = NamesThisProgram(HKEY_LOCAL_MACHINE);
  if (readings.machine_value) readings.machine_approval = ReadApproval(HKEY_LOCAL_MACHINE);
  return RunAtStartupStateOf(readings);
}

bool RunAtStartupIsOn() { return CurrentRunAtStartupState() != RunAtStartupState::Off; }

bool SetRunAtStartup(bool on) {
  if (on) {
    const Text command = RunAtStartupCommand(App().exe_path);
    // Windows' "off" goes with the value written: the user has just asked
    // for the program at sign-in.
    return RegSetKeyValueW(HKEY_CURRENT_USER, Wide(kRunKey), Wide(kRunValueName), REG_SZ,
                           command.c_str(),
                           static_cast<DWORD>((command.size() + 1) * sizeof(char16_t))) ==
               ERROR_SUCCESS &&
           DeleteValue(kStartupApprovedKey);
  }
  const bool removed = DeleteValue(kRunKey);
  return DeleteValue(kStartupApprovedKey) && removed;
}

void ToggleRunAtStartup() {
  const RunAtStartupState state = CurrentRunAtStartupState();
  // The administrator's value is not the user's to change (the item is greyed).
  if (state == RunAtStartupState::ByAdministrator) return;
  if (SetRunAtStartup(state == RunAtStartupState::Off)) return;
  ShowMessage(Tr(u"MenuMain", u"ErrRunAtStartup") + u"\nHKEY_CURRENT_USER\\" + kRunKey + u"\\" +
                  kRunValueName,
              MB_ICONERROR);
}

bool StartedForTheTray() {
  return HasTraySwitch(reinterpret_cast<const char16_t*>(GetCommandLineW()));
}

}  // namespace gw
