// gwclipboard: holds the clipboard open, as clipboard history, Remote
// Desktop and clipboard managers do for a moment after every change.
//
//   gwclipboard [MS]   opens the clipboard for its hidden window, then titles
//                      that window "gwclipboard: open" and keeps the
//                      clipboard open until the window gets WM_CLOSE, or for
//                      MS milliseconds when given; then closes the clipboard
//                      and exits with code 0. Exit code 2 when the clipboard
//                      cannot be opened.

#include <windows.h>

#include <cwchar>

namespace {

LRESULT CALLBACK Proc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  if (m == WM_CLOSE || m == WM_TIMER) {
    CloseClipboard();
    DestroyWindow(w);
    return 0;
  }
  if (m == WM_DESTROY) {
    PostQuitMessage(0);
    return 0;
  }
  return DefWindowProcW(w, m, wp, lp);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR args, int) {
  const unsigned long hold_ms = args && *args ? std::wcstoul(args, nullptr, 10) : 0;
  WNDCLASSW wc{};
  wc.lpfnWndProc = Proc;
  wc.hInstance = instance;
  wc.lpszClassName = L"gwclipboard";
  RegisterClassW(&wc);
  HWND window = CreateWindowW(L"gwclipboard", L"gwclipboard", WS_OVERLAPPED, 0, 0, 10, 10,
                              nullptr, nullptr, instance, nullptr);
  if (!window || !OpenClipboard(window)) return 2;
  // The title tells the tests that the clipboard is held from now on.
  SetWindowTextW(window, L"gwclipboard: open");
  if (hold_ms > 0) SetTimer(window, 1, hold_ms, nullptr);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
  return 0;
}
