// Test helper: a stand-in for wininet.dll on a computer without an internet
// connection, for the start-up update check and its retry. Windows' own
// InternetGetConnectedState is what the program asks, and Wine's always
// reports a connection. Each call appends the millisecond count of the
// system (GetTickCount64) as a line to "<this library's path>.calls" and
// reports no connection.
#include <windows.h>

#include <cstdio>

namespace {
HMODULE g_self = nullptr;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) g_self = self;
  return TRUE;
}

extern "C" BOOL WINAPI OfflineGetConnectedState(DWORD* flags, DWORD) {
  if (flags) *flags = 0;
  wchar_t path[MAX_PATH + 8];
  const DWORD n = GetModuleFileNameW(g_self, path, MAX_PATH);
  if (n > 0 && n < MAX_PATH) {
    lstrcatW(path, L".calls");
    HANDLE file = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      char line[32];
      const int length = std::snprintf(line, sizeof(line), "%llu\n", GetTickCount64());
      DWORD written = 0;
      WriteFile(file, line, static_cast<DWORD>(length), &written, nullptr);
      CloseHandle(file);
    }
  }
  return FALSE;
}
