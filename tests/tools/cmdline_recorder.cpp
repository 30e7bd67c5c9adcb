// Test helper: records how it was started. Appends one UTF-8 line holding its
// whole command line (GetCommandLineW) to "<its own path>.log" and exits.
// The tests put it where the program under test starts programs: as a custom
// character-map command, as charmap.exe, or in place of the browser.
#include <windows.h>

#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  wchar_t self[32768];
  const DWORD n = GetModuleFileNameW(nullptr, self, 32768);
  if (n == 0 || n >= 32768) return 1;
  const std::wstring log = std::wstring(self, n) + L".log";
  const wchar_t* line = GetCommandLineW();
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, line, -1, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<size_t>(bytes > 0 ? bytes - 1 : 0), '\0');
  if (bytes > 1) WideCharToMultiByte(CP_UTF8, 0, line, -1, utf8.data(), bytes, nullptr, nullptr);
  utf8 += "\n";
  // Appending from several starts at once stays line by line.
  for (int attempt = 0; attempt < 50; ++attempt) {
    HANDLE file = CreateFileW(log.c_str(), FILE_APPEND_DATA, 0, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) {
      DWORD written = 0;
      const BOOL ok = WriteFile(file, utf8.data(), static_cast<DWORD>(utf8.size()), &written,
                                nullptr);
      CloseHandle(file);
      return ok && written == utf8.size() ? 0 : 1;
    }
    Sleep(20);
  }
  return 1;
}
