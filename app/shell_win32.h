// The program's start, its single instance and its end.
#pragma once
#include <windows.h>

#include "base/text.h"
#include "mainwindow/app_state_win32.h"
#include "mainwindow/main_window.h"

namespace gw {

// Start-up: runs every step up to the event loop. Returns only when start-up
// completed; fatal errors end the process.
void RunStartup(HINSTANCE instance);

// The orderly end (asks first when `confirm` is set; returns only when the
// user declines) and the immediate one.
void QuitProgram(bool confirm, HICON tray_icon);
[[noreturn]] void ExitProgram();

// One copy of each version: takes the program's named mutex; false when
// another copy holds it (it runs, or is starting). That copy's main window
// is then found by its class and title, waited for a few seconds while it is
// still starting, and shown and brought to the front.
bool ClaimSingleInstance();
void ShowRunningInstance();

// The write-failure and read-failure messages of start-up.
Text WriteFailureText(const Text& path, bool terminate);

}  // namespace gw
