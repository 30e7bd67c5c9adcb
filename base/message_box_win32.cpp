#include <windows.h>

#include <vector>

#include "base/message_box.h"

namespace gw {

namespace {
MessageBoxHook g_hook;

struct TopmostScan {
  DWORD pid;
  std::vector<HWND> found;
};

BOOL CALLBACK CollectTopmost(HWND hwnd, LPARAM lp) {
  auto* scan = reinterpret_cast<TopmostScan*>(lp);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid == scan->pid && (GetWindowLongPtrW(hwnd, GWL_EXSTYLE) & WS_EX_TOPMOST) &&
      IsWindowVisible(hwnd))
    scan->found.push_back(hwnd);
  return TRUE;
}
}  // namespace

void SetMessageBoxHook(MessageBoxHook hook) { g_hook = std::move(hook); }

int ShowMessage(const Text& text, unsigned flags) {
  if (g_hook) return g_hook(text, flags);

  HWND owner = GetForegroundWindow();
  DWORD pid = 0;
  if (owner) GetWindowThreadProcessId(owner, &pid);
  if (pid != GetCurrentProcessId()) owner = nullptr;

  TopmostScan scan{GetCurrentProcessId(), {}};
  EnumWindows(CollectTopmost, reinterpret_cast<LPARAM>(&scan));
  for (HWND w : scan.found)
    SetWindowPos(w, HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);

  int result = MessageBoxW(owner, reinterpret_cast<const wchar_t*>(text.c_str()),
                           reinterpret_cast<const wchar_t*>(kWindowTitle),
                           flags | (owner ? 0u : static_cast<unsigned>(MB_SETFOREGROUND)));

  for (HWND w : scan.found)
    if (IsWindow(w))
      SetWindowPos(w, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
  return result;
}

}  // namespace gw
