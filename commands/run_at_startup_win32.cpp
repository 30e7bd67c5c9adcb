// Start with Windows: reads and writes the program's one registry value,
// HKCU\Software\Microsoft\Windows\CurrentVersion\Run "Glyphwell".
#include <windows.h>

#include "base/message_box.h"
#include "commands/commands_win32.h"
#include "commands/run_at_startup.h"
#include "mainwindow/app_state_win32.h"

namespace gw {

namespace {

const wchar_t* Wide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }

// The value as text, or false when there is none (or it is no text).
bool ReadRunValue(Text& value) {
  DWORD bytes = 0;
  // A REG_EXPAND_SZ value comes expanded, as REG_SZ.
  const DWORD flags = RRF_RT_REG_SZ;
  if (RegGetValueW(HKEY_CURRENT_USER, Wide(kRunKey), Wide(kRunValueName), flags, nullptr, nullptr,
                   &bytes) != ERROR_SUCCESS)
    return false;
  std::u16string buffer(bytes / sizeof(char16_t) + 1, u'\0');
  bytes = static_cast<DWORD>(buffer.size() * sizeof(char16_t));
  if (RegGetValueW(HKEY_CURRENT_USER, Wide(kRunKey), Wide(kRunValueName), flags, nullptr,
                   buffer.data(), &bytes) != ERROR_SUCCESS)
    return false;
  buffer.resize(bytes / sizeof(char16_t));
  while (!buffer.empty() && buffer.back() == u'\0') buffer.pop_back();
  value = buffer;
  return true;
}

}  // namespace

bool RunAtStartupIsOn() {
  Text value;
  return ReadRunValue(value) && RunValueNamesProgram(value, App().exe_path);
}

bool SetRunAtStartup(bool on) {
  if (on) {
    const Text command = RunAtStartupCommand(App().exe_path);
    return RegSetKeyValueW(HKEY_CURRENT_USER, Wide(kRunKey), Wide(kRunValueName), REG_SZ,
                           command.c_str(),
                           static_cast<DWORD>((command.size() + 1) * sizeof(char16_t))) ==
           ERROR_SUCCESS;
  }
  const LSTATUS status =
      RegDeleteKeyValueW(HKEY_CURRENT_USER, Wide(kRunKey), Wide(kRunValueName));
  return status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND;
}

void ToggleRunAtStartup() {
  if (SetRunAtStartup(!RunAtStartupIsOn())) return;
  ShowMessage(Tr(u"MenuMain", u"ErrRunAtStartup") + u"\nHKEY_CURRENT_USER\\" + kRunKey + u"\\" +
                  kRunValueName,
              MB_ICONERROR);
}

bool StartedForTheTray() {
  return HasTraySwitch(reinterpret_cast<const char16_t*>(GetCommandLineW()));
}

}  // namespace gw
