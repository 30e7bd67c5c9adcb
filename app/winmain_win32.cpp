#include <windows.h>

#include "app/event_loop.h"
#include "app/shell_win32.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  gw::RunStartup(instance);
  gw::RunEventLoop();
  gw::ExitProgram();
}
