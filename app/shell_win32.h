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


// The write-failure and read-failure messages of start-up.
Text WriteFailureText(const Text& path, bool terminate);

}  // namespace gw
