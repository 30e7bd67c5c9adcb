// The main window's procedure and the main list's trigger-key filter: the
// messages of the main window that the program acts on become events here.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include "app/event_loop.h"
#include "app/main_window_procedure.h"
#include "app/shell_win32.h"
#include "app/single_instance_win32.h"
#include "base/event_queue.h"
#include "mainwindow/colours_win32.h"
#include "mainwindow/main_window.h"

namespace gw {

// The main window's look: the system colours and the list's custom drawing.
WNDPROC g_main_window_painting = MainWindowLook;

namespace {

bool g_main_filter_installed = false;

}  // namespace

void InstallMainWindowFilter() { g_main_filter_installed = true; }

LRESULT CALLBACK MainWindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  AppState& app = App();

  // The message filter sees these before the normal handling and lets them
  // go on.
  if (g_main_filter_installed) {
    if (msg == WM_HOTKEY) {
      PostEvent(WindowEvent(EventKind::Hotkey, MainWindow));
    } else if (msg == WM_UNINITMENUPOPUP && MainMenuHandle() &&
               reinterpret_cast<HMENU>(wp) == MainMenuHandle()) {
      PostEvent(WindowEvent(EventKind::MainMenuClosed, MainWindow));
    }
  }

  if (msg != 0 && msg == ShowInstanceMessage()) {
    // A later copy was started on the same character file: this one shows
    // itself, as the hotkey would.
    PostEvent(WindowEvent(EventKind::Hotkey, MainWindow));
    return 0;
  }

  if (msg != 0 && msg == app.taskbar_created_message) {
    // The taskbar was re-created (Explorer restarted): the icon comes back.
    ReAddTrayIcon();
    return 0;
  }

  if (msg == WM_ENDSESSION) {
    // Windows signs out or shuts down, or an installer's Restart Manager
    // closes the program to replace its files: every change is written
    // already, so it ends at once, with its tray icon and hotkey released.
    if (wp) QuitProgram(false, app.tray_icon);
    return 0;
  }

  if (msg == kTrayCallbackMessage) {
    // The shell reports a double click as up, double-click, up. The up that
    // ends a double click is no click of its own: it would put the window
    // that the first one showed back into the tray. The next press starts
    // a new click.
    static bool double_click_up_due = false;
    int type = -1;
    switch (static_cast<UINT>(lp)) {
      case WM_LBUTTONDOWN: double_click_up_due = false; break;
      case WM_LBUTTONUP:
        if (!double_click_up_due) type = 0;
        double_click_up_due = false;
        break;
      case WM_RBUTTONUP: type = 1; break;
      case WM_LBUTTONDBLCLK:
        type = 2;
        double_click_up_due = true;
        break;
      case WM_RBUTTONDBLCLK: type = 3; break;
      case NIN_BALLOONUSERCLICK: type = 4; break;
      case NIN_BALLOONTIMEOUT: type = 5; break;
      default: break;
    }
    if (type >= 0) QueueEvent(WindowEvent(EventKind::Tray, MainWindow, static_cast<int>(wp), type));
    return 0;
  }

  LRESULT result = 0;
  if (msg == WM_NOTIFY && lp && AnswerListNotification(*reinterpret_cast<const NMHDR*>(lp), &result))
    return result;
  if (TranslateWindowMessage(MainWindow, hwnd, msg, wp, lp, &result)) return result;
  if (g_main_window_painting) return g_main_window_painting(hwnd, msg, wp, lp);
  return DefWindowProcW(hwnd, msg, wp, lp);
}

LRESULT CALLBACK TriggerKeyFilter(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_CHAR) {
    const Text typed(1, static_cast<char16_t>(wp));
    LoopState& loop = Loop();
    loop.TriggerRow = App().table.FindTrigger(typed);
    loop.TriggerFound = loop.TriggerRow >= 0;
    loop.TriggerTyped = typed;
    PostEvent(WindowEvent(EventKind::TriggerKey, MainWindow));
    // A character that is no trigger never reaches the list view.
    if (!loop.TriggerFound) return 1;
  }
  if (g_list_procedure) return CallWindowProcW(g_list_procedure, hwnd, msg, wp, lp);
  return DefWindowProcW(hwnd, msg, wp, lp);
}

}  // namespace gw
