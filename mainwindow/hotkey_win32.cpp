// The global hotkey.
#include <windows.h>

#include "app/message_box.h"
#include "app/shell_win32.h"
#include "mainwindow/main_window.h"

namespace gw {

bool ApplyHotkey(int n) {
  Text tip = u"Glyphwell";
  if (n > 0) {
    Text name = u"F" + NumberText(n);
    if (!RegisterHotKey(App().main_window, 1, 0, 0x70 + n - 1)) {
      ShowMessage(Tr(u"WinMain", u"ErrRegister") + name, MB_ICONWARNING);
      return false;
    }
    tip += u" (" + name + u")";
  }
  SetTrayTip(tip);
  return true;
}


}  // namespace gw
