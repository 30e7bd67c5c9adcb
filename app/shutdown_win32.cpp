// The two ways the process ends: the orderly quit and the immediate exit.
#include <windows.h>

#include "base/message_box.h"
#include "base/ole_win32.h"
#include "app/shell_win32.h"

namespace gw {

void QuitProgram(bool confirm, HICON tray_icon) {
  if (confirm && ShowMessage(Tr(u"General", u"AskQuit"), MB_YESNO) != IDYES) return;
  if (App().main_window) UnregisterHotKey(App().main_window, 1);
  if (tray_icon) DestroyIcon(tray_icon);
  ExitProgram();
}

void ExitProgram() {
  AppState& app = App();
  RemoveTrayIcon();
  if (app.main_window) DestroyWindow(app.main_window);
  ReleaseOle();
  ExitProcess(0);
}

}  // namespace gw
