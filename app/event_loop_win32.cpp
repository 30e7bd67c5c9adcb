// The event loop (simple form; the queue and dispatch follow).
#include <windows.h>

#include "app/event_queue.h"
#include "app/message_box.h"
#include "app/shell_win32.h"
#include "mainwindow/main_window.h"

namespace gw {

WNDPROC g_list_procedure = nullptr;

LRESULT CALLBACK MainWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  AppState& app = App();
  if (msg == app.taskbar_created_message && msg != 0) {
    // The taskbar was re-created: add the icon again.
    if (app.tray_icon) {
      ReAddTrayIcon();
    }
    return 0;
  }
  switch (msg) {
    case WM_CLOSE:
      QuitProgram(app.settings.ConfirmEnd, app.tray_icon);
      return 0;
    default:
      break;
  }
  return DefWindowProcW(hwnd, msg, wp, lp);
}


void RunEventLoop() {
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  ExitProgram();
}

}  // namespace gw
