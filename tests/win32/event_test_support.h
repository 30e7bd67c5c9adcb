// Shared pieces of the in-process tests of the event loop and of insertion:
// one main window per process (built with the built-in English texts and the
// default table), the loop run until nothing is left to do, and readers for
// what the user sees.
#pragma once
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/event_loop.h"
#include "app/main_window_procedure.h"
#include "app/shell_win32.h"
#include "base/event_queue.h"
#include "base/message_box.h"
#include "mainwindow/app_state_win32.h"
#include "mainwindow/hotkey_win32.h"
#include "mainwindow/insertion_win32.h"
#include "mainwindow/main_window.h"
#include "table/default_table.h"
#include "table/entry_windows_win32.h"
#include "tests/win32/test_support.h"

namespace gw::testing_support {

inline void EnsureMainWindow() {
  AppState& app = App();
  if (!app.main_window) {
    app.instance = GetModuleHandleW(nullptr);
    LoadBuiltInTable(app.language);
    app.settings = Settings();
    app.records = DefaultCharacterEntries();
    SetMessageBoxHook([](const Text&, unsigned) { return IDOK; });
    CreateMainWindow(MainWindowProc, TriggerKeyFilter);
    SetMessageBoxHook(nullptr);
  }
  InitEventQueue(app.instance);
  InstallFocusTracker();
  InstallMainWindowFilter();
}

// Runs the loop until no event and no window message is left (bounded, so
// that a message that keeps coming cannot hang a test).
inline void Drain() {
  for (int step = 0; step < 20000 && RunLoopStep(false); ++step) {
  }
}

// Pumps the loop until `done` holds or `ms` milliseconds have passed (a limit
// for a loaded machine, not a delay: it returns as soon as `done` holds).
inline bool PumpUntil(const std::function<bool()>& done, DWORD ms = 15000) {
  const ULONGLONG deadline = GetTickCount64() + ms;
  while (!done()) {
    if (GetTickCount64() >= deadline) return false;
    Drain();
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
  }
  return true;
}

// Wine's notepad, started for a group of tests (another program's window to
// type into) and ended after them.
struct Notepad {
  PROCESS_INFORMATION process{};
  HWND window = nullptr;  // its visible main window
  HWND edit = nullptr;    // its Edit control

  // Starts it and waits up to 20 s for its window; false when it did not come.
  bool Start() {
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    wchar_t command[] = L"notepad.exe";
    if (!CreateProcessW(nullptr, command, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
      return false;
    PumpUntil([this] {
      EnumWindows(FindWindowOf, reinterpret_cast<LPARAM>(this));
      return window != nullptr;
    }, 20000);
    if (window) edit = FindWindowExW(window, nullptr, L"Edit", nullptr);
    return window != nullptr;
  }

  void Stop() {
    if (process.hProcess) {
      TerminateProcess(process.hProcess, 0);
      WaitForSingleObject(process.hProcess, 5000);
      CloseHandle(process.hProcess);
      CloseHandle(process.hThread);
    }
    *this = Notepad();
  }

 private:
  static BOOL CALLBACK FindWindowOf(HWND hwnd, LPARAM self_pointer) {
    auto* self = reinterpret_cast<Notepad*>(self_pointer);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    wchar_t name[32] = {};
    GetClassNameW(hwnd, name, 32);
    if (pid == self->process.dwProcessId && lstrcmpW(name, L"Notepad") == 0 &&
        IsWindowVisible(hwnd)) {
      self->window = hwnd;
      return FALSE;
    }
    return TRUE;
  }
};

inline Text StatusText() {
  HWND bar = App().status_bar;
  if (!bar) return u"<no status bar>";
  wchar_t buffer[512] = {};
  SendMessageW(bar, SB_GETTEXTW, 0, reinterpret_cast<LPARAM>(buffer));
  return reinterpret_cast<const char16_t*>(buffer);
}

inline bool TrayItemEnabled(int command) {
  const UINT state = GetMenuState(TrayMenuHandle(), static_cast<UINT>(command), MF_BYCOMMAND);
  return state != static_cast<UINT>(-1) && !(state & (MF_GRAYED | MF_DISABLED));
}

inline int SelectedListRow() { return ListView_GetNextItem(App().list, -1, LVNI_SELECTED); }

inline Event MakeEvent(EventKind kind, int object = 0, int type = 0, int window = MainWindow) {
  return WindowEvent(kind, window, object, type);
}

// Queues one event and runs the loop until everything it caused is done.
inline void Dispatch(const Event& event) {
  QueueEvent(event);
  Drain();
}

// Brings the main window to a known state: shown, normal, in front, the
// list focused, the default table with row 0 current, the flags at rest.
inline void ResetMainWindow() {
  // A test that opened an editor leaves the main window disabled.
  CloseEntryWindow(EditEntryWindow);
  CloseEntryWindow(NewEntryWindow);
  CloseEntryWindow(SettingsWindow);
  CloseEntryWindow(AboutWindow);
  CloseEntryWindow(FindEntryWindow);
  AppState& app = App();
  HWND main = app.main_window;
  if (IsIconic(main) || !IsWindowVisible(main)) ShowWindow(main, SW_RESTORE);
  ShowWindow(main, SW_SHOWNORMAL);
  SetForegroundWindow(main);
  app.records = DefaultCharacterEntries();
  app.table.BuildRowsFromRecords(app.records);
  FillMainList();
  SelectListRow(app.table.CurrentRow());
  SetFocus(app.list);
  Drain();
  RunFocusTracker(MainWindow);  // the tracker starts from the list
  // A status text's timer that an earlier test started must not fire in
  // this one, however long that test took on a loaded machine.
  KillTimer(main, 1);
  MSG stale;
  while (PeekMessageW(&stale, main, WM_TIMER, WM_TIMER, PM_REMOVE)) {
  }
  ClearEventQueue();
  Loop() = LoopState();
  app.character_file_unreadable = false;
  app.last_focused_control = kCtlList;
  SetStatusText(InfoStatusText());
}

// Closes the Explorer windows (Wine's "ExplorerWClass") that appear within
// `ms` milliseconds, such as the one Go to character file asks for: the
// Explorer process would otherwise outlive the test run. Returns how many.
inline int CloseExplorerWindows(DWORD ms = 10000) {
  auto find = [] { return FindWindowW(L"ExplorerWClass", nullptr); };
  int closed = 0;
  const ULONGLONG deadline = GetTickCount64() + ms;
  while (GetTickCount64() < deadline) {
    HWND explorer = find();
    if (!explorer) {
      if (closed > 0) break;
      Sleep(50);
      continue;
    }
    PostMessageW(explorer, WM_CLOSE, 0, 0);
    ++closed;
    for (int k = 0; k < 200 && IsWindow(explorer); ++k) Sleep(25);
  }
  return closed;
}

// Settings whose hotkey is the function key Fn alone.
inline Settings FunctionKeyHotkey(int n) {
  Settings settings;
  settings.Hotkey = static_cast<std::int8_t>(n);
  return settings;
}

// Message boxes are recorded and answered instead of shown.
struct MessageRecorder {
  std::vector<std::pair<Text, unsigned>> boxes;
  int answer = IDOK;

  void Install() {
    SetMessageBoxHook([this](const Text& text, unsigned flags) {
      boxes.emplace_back(text, flags);
      return answer;
    });
  }
  ~MessageRecorder() { SetMessageBoxHook(nullptr); }
};

}  // namespace gw::testing_support
