// gwfakedll: a stand-in for a system library, for the test that a library of
// a system name put beside the program is never loaded. Copies of it are
// named winmm.dll, msimg32.dll and version.dll; whichever copy a process
// loads leaves an empty marker file beside itself, named after the module as
// the loader knows it with ".loaded" appended (WINMM.dll.loaded). Its exports
// (gwfakedll.def) are do-nothing stubs under the names that the program and
// the control program import, so that a process that loads it still starts.

#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) {
    wchar_t path[MAX_PATH + 16];
    DWORD n = GetModuleFileNameW(self, path, MAX_PATH);
    if (n > 0 && n < MAX_PATH) {
      lstrcatW(path, L".loaded");
      HANDLE h = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
      if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    }
  }
  return TRUE;
}

extern "C" int GwFakeStub() { return 0; }
