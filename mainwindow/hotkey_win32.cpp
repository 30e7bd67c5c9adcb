// The global hotkey.
#include <windows.h>

#include "base/message_box.h"
#include "mainwindow/app_state_win32.h"
#include "mainwindow/hotkey_win32.h"
#include "mainwindow/main_window.h"

namespace gw {

// F24 is the last function key; a larger number from a hand-edited settings
// file would name another key (F78 the minus key) and take it from every
// program, so it cannot be registered.
constexpr int kLastFunctionKey = 24;

bool RegisterFunctionKey(int n) {
  return n >= 1 && n <= kLastFunctionKey &&
         RegisterHotKey(App().main_window, 1, 0, static_cast<UINT>(VK_F1 + n - 1));
}

bool ApplyHotkey(int n) {
  Text tip = u"Glyphwell";
  if (n > 0) {
    Text name(u"F");
    name += NumberText(n);
    if (!RegisterFunctionKey(n)) {
      ShowMessage(Tr(u"WinMain", u"ErrRegister") + name, MB_ICONWARNING);
      return false;
    }
    tip += u" (" + name + u")";
  }
  SetTrayTip(tip);
  return true;
}


}  // namespace gw
