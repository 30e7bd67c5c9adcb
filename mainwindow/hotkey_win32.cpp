// The global hotkey.
#include "mainwindow/hotkey_win32.h"

#include <windows.h>

#include "mainwindow/app_state_win32.h"
#include "base/message_box.h"
#include "mainwindow/main_window.h"

namespace gw {

namespace {
constexpr int kHotkeyId = 1;
bool g_registered = false;
}  // namespace

bool RegisterProgramHotkey(KeyCombination combination) {
  UnregisterProgramHotkey();  // one hotkey at a time
  if (!IsAcceptableHotkey(combination) || !App().main_window) return false;
  // MOD_NOREPEAT: a held key shows the window once.
  const UINT modifiers = (combination.modifiers & kHotkeyModifiers) | MOD_NOREPEAT;
  g_registered = RegisterHotKey(App().main_window, kHotkeyId, modifiers, combination.key) != FALSE;
  return g_registered;
}

void UnregisterProgramHotkey() {
  if (!g_registered) return;
  UnregisterHotKey(App().main_window, kHotkeyId);
  g_registered = false;
}

bool ApplyHotkey(const Settings& settings) {
  Text tip = u"Glyphwell";
  const Text name = ShownHotkeyName(settings, App().language);
  // A number of 0 or less is none, as it always was.
  if (settings.HotkeyCombination.key != 0 || settings.Hotkey > 0) {
    // F24 is the last function key; a larger number from a hand-edited file
    // names no key (F78 would be the minus key) and is not registered.
    if (!RegisterProgramHotkey(HotkeyOf(settings))) {
      ShowMessage(Tr(u"WinMain", u"ErrRegister") + name, MB_ICONWARNING);
      return false;  // the tooltip keeps its text
    }
    tip += u" (";
    tip += name;
    tip += u')';
  }
  SetTrayTip(tip);
  return true;
}

}  // namespace gw
