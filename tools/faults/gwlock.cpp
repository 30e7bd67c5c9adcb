// gwlock: holds a file open without sharing, as another program may do, for
// the end-to-end fault tests.
//
//   gwlock PATH [SHARE]   opens PATH for reading with share mode 0, so that
//                         no other process can open, replace or delete it;
//                         then shows a hidden window titled "gwlock: locked"
//                         and keeps the file open until that window gets
//                         WM_CLOSE (exit code 0). SHARE letters allow others
//                         to read (r), write (w) or delete and replace (d).
//                         Exit code 2 when the file cannot be opened.

#include <windows.h>

namespace {

LRESULT CALLBACK Proc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  if (m == WM_CLOSE) {
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

int wmain(int argc, wchar_t** argv) {
  if (argc != 2 && argc != 3) return 1;
  DWORD share = 0;
  for (const wchar_t* c = argc == 3 ? argv[2] : L""; *c; ++c) {
    if (*c == L'r') share |= FILE_SHARE_READ;
    else if (*c == L'w') share |= FILE_SHARE_WRITE;
    else if (*c == L'd') share |= FILE_SHARE_DELETE;
    else return 1;
  }
  HANDLE file = CreateFileW(argv[1], GENERIC_READ, share, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return 2;
  WNDCLASSW wc{};
  wc.lpfnWndProc = Proc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"gwlock";
  RegisterClassW(&wc);
  // The window's existence tells the tests that the file is held.
  CreateWindowW(L"gwlock", L"gwlock: locked", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, wc.hInstance,
                nullptr);
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
  CloseHandle(file);
  return 0;
}
