// One copy of each version at a time. A named mutex decides, so that copies
// started at the same moment cannot all get through, and a window of another
// program that happens to bear the title (Explorer on a folder of that name)
// stops none.
#include <windows.h>

#include "base/message_box.h"
#include "app/shell_win32.h"
#include "mainwindow/main_window.h"

namespace gw {

namespace {

// How long a later copy waits for the window of one that is still starting.
constexpr ULONGLONG kWaitForRunningWindowMs = 5000;
constexpr DWORD kLookAgainMs = 50;

}  // namespace

bool ClaimSingleInstance() {
  // Per session: each user of a Remote Desktop server runs a copy.
  const Text name = u"Local\\" + Text(kWindowTitle);
  // Never closed: Windows lets go of it when the process ends.
  HANDLE mutex = CreateMutexW(nullptr, FALSE, W(name));
  if (!mutex) return GetLastError() != ERROR_ACCESS_DENIED;  // an elevated copy holds it
  return GetLastError() != ERROR_ALREADY_EXISTS;
}

void ShowRunningInstance() {
  const Text title(kWindowTitle);
  const ULONGLONG deadline = GetTickCount64() + kWaitForRunningWindowMs;
  for (;;) {
    if (HWND other = FindWindowW(kMainWindowClass, W(title))) {
      ShowWindow(other, SW_SHOWNORMAL);
      SetForegroundWindow(other);
      return;
    }
    if (GetTickCount64() >= deadline) return;
    Sleep(kLookAgainMs);
  }
}

}  // namespace gw
